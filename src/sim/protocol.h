#pragma once
// The modem's side of the wire protocol: the request kinds it understands, the kinds of its
// answers, and the StatusCodes it refuses with, by their names in the simulator. The values are
// the shared header's.

#include <cstddef>
#include <cstdint>

#include "i2c-modem-protocol.h"

namespace i2ct::sim {

inline constexpr std::uint8_t kEndByte = I2C_MODEM_END_BYTE;
inline constexpr std::size_t kMaxFrameData = I2C_MODEM_MAX_FRAME_DATA;

namespace request {
inline constexpr std::uint8_t kVersion = I2C_MODEM_REQ_VERSION;
inline constexpr std::uint8_t kPrompt = I2C_MODEM_REQ_PROMPT;
inline constexpr std::uint8_t kPullUps = I2C_MODEM_REQ_PULLUPS;
inline constexpr std::uint8_t kClock = I2C_MODEM_REQ_CLOCK;
inline constexpr std::uint8_t kLineWrite = I2C_MODEM_REQ_LINE_WRITE;
inline constexpr std::uint8_t kLineRead = I2C_MODEM_REQ_LINE_READ;
inline constexpr std::uint8_t kTransfer = I2C_MODEM_REQ_TRANSFER;
inline constexpr std::uint8_t kFilter = I2C_MODEM_REQ_FILTER;
inline constexpr std::uint8_t kListen = I2C_MODEM_REQ_LISTEN;
inline constexpr std::uint8_t kTableLoad = I2C_MODEM_REQ_TABLE_LOAD;
inline constexpr std::uint8_t kTableClear = I2C_MODEM_REQ_TABLE_CLEAR;
inline constexpr std::uint8_t kMonitoring = I2C_MODEM_REQ_MONITORING;
}  // namespace request

namespace answer {
inline constexpr std::uint8_t kModem = I2C_MODEM_ANS_MODEM;
inline constexpr std::uint8_t kConfig = I2C_MODEM_ANS_CONFIG;
inline constexpr std::uint8_t kBus = I2C_MODEM_ANS_BUS;
inline constexpr std::uint8_t kEvent = I2C_MODEM_ANS_EVENT;
inline constexpr std::uint8_t kIncomplete = I2C_MODEM_ANS_INCOMPLETE;
inline constexpr std::uint8_t kRefusal = I2C_MODEM_ANS_REFUSAL;
inline constexpr std::uint8_t kInterrupt = I2C_MODEM_ANS_INTERRUPT;
}  // namespace answer

namespace status {
inline constexpr std::uint8_t kUnknownKind = I2C_MODEM_ST_UNKNOWN_KIND;
inline constexpr std::uint8_t kLengthMissing = I2C_MODEM_ST_LENGTH_MISSING;
inline constexpr std::uint8_t kTooLong = I2C_MODEM_ST_TOO_LONG;
inline constexpr std::uint8_t kEndMissing = I2C_MODEM_ST_END_MISSING;
inline constexpr std::uint8_t kWrongEnd = I2C_MODEM_ST_WRONG_END;
inline constexpr std::uint8_t kNak = I2C_MODEM_ST_ADDRESS_NAK;
inline constexpr std::uint8_t kStretchTimeout = I2C_MODEM_ST_STRETCH_TIMEOUT;
inline constexpr std::uint8_t kNoFilter = I2C_MODEM_ST_NO_FILTER;
inline constexpr std::uint8_t kBadListenTime = I2C_MODEM_ST_BAD_LISTEN_TIME;
inline constexpr std::uint8_t kNothingHeard = I2C_MODEM_ST_NOTHING_HEARD;
inline constexpr std::uint8_t kTableFull = I2C_MODEM_ST_TABLE_FULL;
inline constexpr std::uint8_t kTableIncomplete = I2C_MODEM_ST_TABLE_INCOMPLETE;
inline constexpr std::uint8_t kTooManyReads = I2C_MODEM_ST_TOO_MANY_READS;
inline constexpr std::uint8_t kWriteAddressInTable = I2C_MODEM_ST_WRITE_ADDRESS_IN_TABLE;
inline constexpr std::uint8_t kMonitoringFailed = I2C_MODEM_ST_MONITORING_FAILED;
inline constexpr std::uint8_t kTableEmpty = I2C_MODEM_ST_TABLE_EMPTY;
inline constexpr std::uint8_t kTableLocked = I2C_MODEM_ST_TABLE_LOCKED;
inline constexpr std::uint8_t kSourceNotInTable = I2C_MODEM_ST_SOURCE_NOT_IN_TABLE;
}  // namespace status

}  // namespace i2ct::sim
