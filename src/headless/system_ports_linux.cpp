// SPDX-License-Identifier: LGPL-2.1-or-later
// The Linux ports, and any device path as a port.
#include "headless/system_ports.h"
#include "platform/linux/library_loader.h"
#include "platform/linux/linux_clock.h"
#include "platform/linux/serial_port.h"

namespace i2ct::headless {

SystemPorts MakeSystemPorts() {
    return {std::make_unique<linux_platform::LinuxClock>(),
            std::make_unique<linux_platform::LinuxSerialPorts>(),
            std::make_unique<linux_platform::LinuxLibraryLoader>()};
}

// A device path; the serial port refuses anything that is not a terminal line.
std::optional<Text> GivenPortName(const std::string& port) {
    return cp1252(port);
}

}  // namespace i2ct::headless
