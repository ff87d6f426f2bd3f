// SPDX-License-Identifier: LGPL-2.1-or-later
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

// Whether the directory is the user's alone: a real directory (no link), owned by the user, that
// neither group nor others may write. Anyone who could write into it could lead the terminal to
// a port of theirs. Otherwise why says what is wrong.
bool TrustedDirectory(const std::string& directory, std::string& why);

// The start of a regular file, at most limit bytes; nothing for a link, a device or a FIFO, which
// could lead elsewhere, never end or block.
std::optional<std::string> ReadSmallFile(const std::string& path, std::size_t limit = 4096);

// Nothing when the file cannot be read or lacks either line.
std::optional<DeviceFile> ReadDeviceFile(const std::string& path);
// Creates the directory when needed, refuses one that is not trusted, and replaces the file in
// one step without following a link in its place; false with the reason in why on failure.
bool WriteDeviceFile(const std::string& path, const DeviceFile& device, std::string& why);

}  // namespace i2ct::linux_platform
