// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once
// The system's clock, serial ports and modem driver for a front end without a window, and the
// names a user may give a serial port on this system.

#include <memory>
#include <optional>
#include <string>

#include "platform/clock.h"
#include "platform/serial.h"

namespace i2ct::headless {

struct SystemPorts {
    std::unique_ptr<Clock> clock;
    std::unique_ptr<SerialPorts> serialPorts;
    std::unique_ptr<LibraryLoader> libraries;  // the driver that finds the modem
};
SystemPorts MakeSystemPorts();

// The serial port that a user names, as the driver would report it; nothing when the text cannot
// name one.
std::optional<Text> GivenPortName(const std::string& port);

}  // namespace i2ct::headless
