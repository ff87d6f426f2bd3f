// SPDX-License-Identifier: LGPL-2.1-or-later
// The Windows ports, and COM1 to COM255 as ports.
#include <cstdlib>

#include "headless/system_ports.h"
#include "platform/win32/library_loader.h"
#include "platform/win32/serial_port.h"
#include "platform/win32/win32_clock.h"

namespace i2ct::headless {
namespace {

constexpr int kLastComPort = 255;

}  // namespace

SystemPorts MakeSystemPorts() {
    return {std::make_unique<win32::Win32Clock>(), std::make_unique<win32::Win32SerialPorts>(),
            std::make_unique<win32::Win32LibraryLoader>()};
}

// COM1 to COM255, also behind "\\.\": the numbers Windows gives serial ports. Anything else could
// name another device or a file.
std::optional<Text> GivenPortName(const std::string& port) {
    std::string name = port.starts_with("\\\\.\\") ? port.substr(4) : port;
    if (name.size() < 4 || name.size() > 6 || upperCase(name.substr(0, 3)) != "COM" ||
        name[3] == '0' || name.find_first_not_of("0123456789", 3) != std::string::npos ||
        std::atoi(name.c_str() + 3) > kLastComPort) {
        return std::nullopt;
    }
    return "COM" + name.substr(3);
}

}  // namespace i2ct::headless
