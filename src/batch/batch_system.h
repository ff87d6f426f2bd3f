// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once
// What the batch program's command line needs of the system, one file for each: its ports, the
// standard streams, the log file and the names of serial ports.

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
// Creates or empties the log; nothing when the path names a link, or anything but an ordinary
// file of the user's own.
std::FILE* OpenLog(const std::string& path);
// The serial port that --port names, as the driver would report it; nothing when the text cannot
// name one.
std::optional<Text> GivenPortName(const std::string& port);

}  // namespace i2ct::batch
