// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once
// What the batch program's command line needs of the system, one file for each: its ports, the
// standard streams and the wait for input, the log file and the names of serial ports.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "platform/clock.h"
#include "platform/serial.h"

namespace i2ct::batch {

struct SystemPorts {
    std::unique_ptr<Clock> clock;
    std::unique_ptr<SerialPorts> serialPorts;
    std::unique_ptr<LibraryLoader> libraries;  // the driver that finds the modem
};
SystemPorts MakeSystemPorts();

// Lets standard output and error pass UTF-8 text and line ends on as they are written.
void PrepareOutput();
// Whether a user types into standard input, so that it is read as a shell.
bool InteractiveInput();

// What ended a wait for input.
enum class Woken { Input, Time, Port };
// Waits up to ms for standard input to have something to read, or its end (Input). On Linux the
// wait also ends when the port's descriptor (-1: none) hangs up or, with arrivals, has bytes
// (Port); Ctrl-C ends it early (Time).
Woken AwaitInput(std::uint32_t ms, int port, bool arrivals);
// Reads what standard input has, at most size bytes, once AwaitInput found it; 0 at its end.
std::size_t ReadInput(char* buffer, std::size_t size);
// Creates or empties the log; nothing when the path names a link, or anything but an ordinary
// file of the user's own.
std::FILE* OpenLog(const std::string& path);
// The serial port that --port names, as the driver would report it; nothing when the text cannot
// name one.
std::optional<Text> GivenPortName(const std::string& port);

}  // namespace i2ct::batch
