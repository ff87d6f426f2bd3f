#pragma once
// Virtual modem devices: a file "NAME.device" with the lines "description=TEXT" and "port=PATH"
// in a per-user directory announces a serial port that is not a USB device (a simulated modem,
// or a tty that reaches a modem elsewhere).

#include <optional>
#include <string>

namespace i2ct::linux_platform {

struct DeviceFile {
    std::string description;  // as the USB description would read, compared exactly
    std::string port;         // path of the tty
};

// $XDG_RUNTIME_DIR/i2c-usb-modem, or /tmp/i2c-usb-modem-UID when XDG_RUNTIME_DIR is unset.
std::string VirtualDeviceDirectory();

// Nothing when the file cannot be read or lacks either line.
std::optional<DeviceFile> ReadDeviceFile(const std::string& path);
// Creates the directory when needed and writes the file atomically; false on failure.
bool WriteDeviceFile(const std::string& path, const DeviceFile& device);

}  // namespace i2ct::linux_platform
