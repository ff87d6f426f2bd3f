// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once
// The serial port to the modem on Linux: a tty opened raw and held exclusively, with one-byte
// transfers that wait at most 110 ms each.

#include <memory>

#include "platform/serial.h"

namespace i2ct::linux_platform {

class LinuxSerialPort : public SerialPort {
  public:
    // Opens the tty that the definition names and applies its settings. Nothing when the tty
    // cannot be opened or another opener, in this process or another, holds it. Settings that
    // cannot be read or applied leave the port open as it is, as the Windows build does.
    static std::unique_ptr<LinuxSerialPort> open(const Text& definition);

    ~LinuxSerialPort() override;
    LinuxSerialPort(const LinuxSerialPort&) = delete;
    LinuxSerialPort& operator=(const LinuxSerialPort&) = delete;

    void writeByte(std::uint8_t byte) override;
    std::optional<std::uint8_t> readByte() override;
    std::size_t waiting() override;
    int arrivalDescriptor() override { return dead_ ? -1 : fd_; }

    // True once the device has gone (hang-up, unplug); from then on every call returns at once.
    bool dead() const { return dead_; }

  private:
    explicit LinuxSerialPort(int fd) : fd_(fd) {}
    // The poll events seen within 110 ms, 0 when none came.
    short awaitEvents(short events);

    int fd_;
    bool dead_ = false;
};

class LinuxSerialPorts : public SerialPorts {
  public:
    std::unique_ptr<SerialPort> open(const Text& definition) override;
};

}  // namespace i2ct::linux_platform
