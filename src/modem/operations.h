// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once
// The modem operations, the one way anything talks to the modem. Each builds its request, makes
// the exchange with its limits, notes its result in the Program's operation log and returns it.
// None writes a console line: the window's handlers turn the results into their texts. The waits
// still show their progress and the Frame layer its timeout messages through the ports, as the
// window has always shown them.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/program.h"
#include "i2c-modem-protocol.h"

namespace i2ct {

// A slave address as the modem takes it: the address byte with the read bit in bit 0, and the
// byte before it, which the terminal's four-digit addresses carry.
struct SlaveAddress {
    std::uint8_t byte = 0;
    std::uint8_t high = 0;
};

// The most a request or a reply Frame carries: 125 data bytes behind the address of a write,
// 127 bytes in a reply.
inline constexpr std::size_t kLargestWrite = I2C_MODEM_MAX_WRITE_DATA;
inline constexpr std::uint8_t kLargestRead = I2C_MODEM_MAX_READ_DATA;

// Whether the modem answered at all: a timeout reads as no answer, or as no modem without one.
inline bool Answered(const OpResult& r) {
    return r.status != OpStatus::NoAnswer && r.status != OpStatus::NoModem;
}

// WR: 1 to 125 bytes to the slave. The wait runs in cycles of about 150 ms up to the limit of
// that many bytes at the bus clock last read; progress, when not empty, is shown with a turning
// character in every cycle.
OpResult WriteSlave(Program& p, SlaveAddress address, std::span<const std::uint8_t> data,
                    const Text& progress);
// RD: up to 127 bytes from the slave, in data; the wait as WR's, up to 10 cycles.
OpResult ReadSlave(Program& p, SlaveAddress address, std::uint8_t count, const Text& progress);

enum class BusLine { Sda, Scl, Int };
// The line-state byte in data[0]: bit 0 SDA, bit 1 SCL, bit 2 INT, 1 for a released line.
OpResult ReadLines(Program& p);
// Writes the line-state byte: every line at once.
OpResult WriteLines(Program& p, std::uint8_t state);
// The state with one line released or driven low; driving low also clears bits 3 to 7.
std::uint8_t LineState(std::uint8_t state, BusLine line, bool high);
// SET INT, SDA or SCL: reads the lines, then writes them back with the one line changed.
OpResult SetLine(Program& p, BusLine line, bool high);

// The pull-ups: data[0] bit 7 set while they are on.
OpResult ReadPullups(Program& p);
OpResult SetPullups(Program& p, bool on);

// GET SPEED: data holds the divider, low byte first; the frequency goes into busClock.
OpResult ReadBusClock(Program& p);
// SET SPEED from kLowestBusClock to kHighestBusClock hertz; the modem settles for up to 500 ms.
OpResult SetBusClock(Program& p, std::int32_t hertz);

// The firmware version digits d0, d1, d2 in data.
OpResult ReadVersion(Program& p);
// The prompt character in data[0]; also the keep-alive probe.
OpResult ReadPrompt(Program& p);

// The address that LISTEN watches.
OpResult SetFilter(Program& p, SlaveAddress address);
// The highest pass count of timed listening for a listening time in units of 52 ms: the wait
// makes at most this many passes plus one, about 110 ms each.
int ListenTickLimit(std::uint8_t time);
// LISTEN for time (1 to 255) × 52 ms: the transfer seen in data. Refused with 0x43 when nothing
// came, Incomplete with the bytes that did.
OpResult ListenFor(Program& p, std::uint8_t time);
// Open-ended LISTEN: Done once the modem acknowledges; the stream then waits in the receive
// queue until StopListening. A failed start sends the end byte anyway, in case the modem
// listens after all, unless it refused for want of a filter.
OpResult StartListening(Program& p);
// Up to `most` bytes of the stream that wait now.
std::vector<std::uint8_t> ListenedBytes(Program& p, std::size_t most);
void StopListening(Program& p);

// LDTB: an interrupt source (a read address) and the bytes to read from it.
OpResult LoadTable(Program& p, SlaveAddress address, std::uint8_t count);
// CLTB.
OpResult ClearTable(Program& p);
// CHKINT EIN / AUS.
OpResult SetMonitoring(Program& p, bool on);
// An interrupt event's first Frame, the notification, once its bytes wait. Unexpected (and no
// failure) for a stray Frame; NoAnswer when the bytes stop coming, which are then dropped.
OpResult ReceiveInterruptNotice(Program& p);
// The event's second Frame: data holds the source's address byte, the byte before it and the
// bytes read from it; Refused with the modem's StatusCode.
OpResult ReceiveInterruptData(Program& p);

}  // namespace i2ct
