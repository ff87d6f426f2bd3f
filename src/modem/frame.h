// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once
// Frames on the serial line: kind, signed length N, N data bytes, end byte 0x04. SendFrame and
// ReceiveFrame move them byte by byte through the one FrameBuffer.

#include <cstddef>
#include <cstdint>
#include <span>

#include "core/program.h"
#include "i2c-modem-protocol.h"

namespace i2ct {

inline constexpr std::uint8_t kEndByte = I2C_MODEM_END_BYTE;
// A Frame counts as come once its kind and length bytes wait; the rest follows on their heels.
inline constexpr std::size_t kFrameStartBytes = 2;

// Answer codes of the request groups.
inline constexpr std::uint8_t kAnswerModem = I2C_MODEM_ANS_MODEM;    // 0x11, 0x12
inline constexpr std::uint8_t kAnswerConfig = I2C_MODEM_ANS_CONFIG;  // 0x21, 0x22, 0x41
inline constexpr std::uint8_t kAnswerBus = I2C_MODEM_ANS_BUS;        // 0x31, 0x32, 0x33
// 0x43, 0x44, 0x45, timed LISTEN data
inline constexpr std::uint8_t kAnswerTable = I2C_MODEM_ANS_EVENT;
// Carries a StatusCode (LISTEN, interrupts).
inline constexpr std::uint8_t kStatusReply = I2C_MODEM_ANS_REFUSAL;

// Writes the request in the FrameBuffer when a modem was found, then clears positions 0 to 250.
void SendFrame(Program& p);

// Waits in slices of at most 20 ms (window events dropped) until 2 bytes wait, for at most
// 2000 ms, then reads one Frame into the FrameBuffer. A slice ends as soon as the bytes are
// there. False on timeout, with both timeout messages shown.
bool ReceiveFrame(Program& p);

// Puts a request without data (kind, 0x00, 0x04) into the FrameBuffer.
void PutRequest(Program& p, std::uint8_t kind);
// Puts a request with data bytes into the FrameBuffer.
void PutRequest(Program& p, std::uint8_t kind, std::initializer_list<std::uint8_t> data);
void PutRequest(Program& p, std::uint8_t kind, std::span<const std::uint8_t> data);

// Bytes waiting in the receive queue; 0 without an open port.
std::size_t WaitingBytes(Program& p);
// One byte outside any Frame (the stop byte of LISTEN). Nothing without an open port.
void WriteRawByte(Program& p, std::uint8_t byte);
// One byte outside any Frame; a timed-out read repeats the previous transfer byte.
std::uint8_t ReadRawByte(Program& p);
// Reads and drops the bytes waiting in the receive queue now.
void DropWaitingBytes(Program& p);

// Lets the window repaint for at most ms while user input is dropped; with `until`, the wait ends
// as soon as that many bytes are waiting.
void CommandWait(Program& p, std::uint32_t ms, std::size_t until = 0);
// One fixed step of a command's wait for the modem's answer: the window repaints for up to
// repaintMs, then sleeps pauseMs without repainting. Where nobody watches the steps, the step
// ends as soon as `until` bytes are waiting.
void AnswerStep(Program& p, std::uint32_t repaintMs, std::uint32_t pauseMs,
                std::size_t until = kFrameStartBytes);

}  // namespace i2ct
