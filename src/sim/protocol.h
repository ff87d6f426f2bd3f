#pragma once
// The modem's side of the wire protocol: the request kinds it understands, the kinds of its
// answers, and the StatusCodes it refuses with.

#include <cstddef>
#include <cstdint>

namespace i2ct::sim {

inline constexpr std::uint8_t kEndByte = 0x04;
// A Frame carries at most this many data bytes: the length byte is read as a signed value.
inline constexpr std::size_t kMaxFrameData = 127;

namespace request {
inline constexpr std::uint8_t kVersion = 0x11;
inline constexpr std::uint8_t kPrompt = 0x12;
inline constexpr std::uint8_t kPullUps = 0x21;
inline constexpr std::uint8_t kClock = 0x22;
inline constexpr std::uint8_t kLineWrite = 0x31;
inline constexpr std::uint8_t kLineRead = 0x32;
inline constexpr std::uint8_t kTransfer = 0x33;
inline constexpr std::uint8_t kFilter = 0x41;
inline constexpr std::uint8_t kListen = 0x42;
inline constexpr std::uint8_t kTableLoad = 0x43;
inline constexpr std::uint8_t kTableClear = 0x44;
inline constexpr std::uint8_t kMonitoring = 0x45;
}  // namespace request

namespace answer {
inline constexpr std::uint8_t kModem = 0x1A;
inline constexpr std::uint8_t kConfig = 0x2A;
inline constexpr std::uint8_t kBus = 0x3A;
inline constexpr std::uint8_t kEvent = 0x4A;       // table, monitoring, listening data
inline constexpr std::uint8_t kIncomplete = 0x4B;  // listening caught a broken transfer
inline constexpr std::uint8_t kRefusal = 0x49;     // 49 01 code 04
inline constexpr std::uint8_t kInterrupt = 0x4F;   // the unasked notification
}  // namespace answer

namespace status {
inline constexpr std::uint8_t kUnknownKind = 0x03;
inline constexpr std::uint8_t kLengthMissing = 0x04;
inline constexpr std::uint8_t kTooLong = 0x05;
inline constexpr std::uint8_t kEndMissing = 0x06;
inline constexpr std::uint8_t kWrongEnd = 0x07;
inline constexpr std::uint8_t kNak = 0x20;
inline constexpr std::uint8_t kStretchTimeout = 0x22;
inline constexpr std::uint8_t kNoFilter = 0x41;
inline constexpr std::uint8_t kBadListenTime = 0x42;
inline constexpr std::uint8_t kNothingHeard = 0x43;
inline constexpr std::uint8_t kTableFull = 0x45;
inline constexpr std::uint8_t kTableIncomplete = 0x46;
inline constexpr std::uint8_t kTooManyReads = 0x47;
inline constexpr std::uint8_t kWriteAddressInTable = 0x49;
inline constexpr std::uint8_t kMonitoringFailed = 0x4A;
inline constexpr std::uint8_t kTableEmpty = 0x4B;
inline constexpr std::uint8_t kTableLocked = 0x4C;
inline constexpr std::uint8_t kSourceNotInTable = 0x4D;
}  // namespace status

}  // namespace i2ct::sim
