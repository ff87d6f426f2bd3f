// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once
// The program-wide state, one instance for the whole run, shared by every handler. It also holds
// the ports through which the core reaches the window, the clock and the modem.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/operation_result.h"
#include "platform/clock.h"
#include "platform/serial.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/window.h"

namespace i2ct {

struct Ports {
    Clock& clock;
    WindowEvents& events;
    OutputArea& output;
    StatusField& status;
    MessageLine& message;
    StopButton& stopButton;
    HelpWindow& help;
    FileDialog& fileDialog;
    DocumentOpener& opener;
    LibraryLoader& libraries;
    SerialPorts& serialPorts;
};

// The one buffer for the request being sent and the reply just received.
inline constexpr std::size_t kFrameBufferSize = 252;
using FrameBuffer = std::array<std::uint8_t, kFrameBufferSize>;

struct Program {
    explicit Program(Ports p) : ports(p) {}
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    Ports ports;

    // Console and line tracker.
    Text PromptChar;
    Text commandTail;
    bool CommandReady = false;
    LineIndex CurrentLine = 0;
    LineIndex KnownLineCount = 0;
    // Follows the output area to any length; entries beyond the line count keep older texts.
    std::vector<Text> LineSnapshot;

    // Message line.
    bool MessageShown = false;
    Tick MessageTime = 0;

    // Connection.
    bool ModemFound = false;
    bool PortOpen = false;
    Tick LastExchangeTime = 0;
    std::unique_ptr<DeviceDriver> driver;  // the loaded driver library, if any
    std::unique_ptr<SerialPort> port;      // open while PortOpen
    Text StartDirectory;

    // Frames.
    FrameBuffer frame{};
    std::uint8_t transferByte = 0;  // keeps the last byte moved; a timed-out read repeats it

    // Modem facts learnt at run time.
    float FirmwareVersion = 0.0f;
    std::int32_t busClock = 0;  // hertz, 0 until the first successful GET SPEED

    // Interrupt monitoring.
    bool InterruptWatch = false;
    bool BlinkPhase = false;
    Tick BlinkTime = 0;

    // What the modem operations reported.
    OperationLog operations;
};

// Signed view of a FrameBuffer byte: length bytes of 0x80 and more count as no data.
inline int signedByte(std::uint8_t b) {
    return static_cast<std::int8_t>(b);
}

}  // namespace i2ct
