// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once
// The serial port to the modem on Linux: a tty opened raw, with low latency where the driver
// grants it, and held exclusively, also against programs that honour UUCP lock files; one-byte
// transfers wait at most 110 ms each.

#include <memory>

#include "platform/linux/uucp_lock.h"
#include "platform/serial.h"

namespace i2ct::linux_platform {

class LinuxSerialPort : public SerialPort {
  public:
    // Opens the tty that the definition names and applies its settings. Nothing when the tty
    // cannot be opened or another opener, in this process or another, holds it, or a living
    // process has a UUCP lock on it; then *why (may be null) says which.
    static std::unique_ptr<LinuxSerialPort> open(const Text& definition,
                                                 PortFailure* why = nullptr);

    ~LinuxSerialPort() override;
    LinuxSerialPort(const LinuxSerialPort&) = delete;
    LinuxSerialPort& operator=(const LinuxSerialPort&) = delete;

    void writeByte(std::uint8_t byte) override;
    std::optional<std::uint8_t> readByte() override;
    std::size_t waiting() override;
    int arrivalDescriptor() override { return fd_; }
    // The descriptor and the lock go at once: the device can then come back under its old name,
    // which the kernel gives to no new device while the old one is still open.
    bool dead() const override { return fd_ < 0; }

  private:
    LinuxSerialPort(int fd, UucpLock lock) : fd_(fd), lock_(std::move(lock)) {}
    // The poll events seen within 110 ms, 0 when none came.
    short awaitEvents(short events);
    // Lets go of a line that has gone at once, so that the device may come back under its name.
    void die();

    int fd_;
    UucpLock lock_;
};

class LinuxSerialPorts : public SerialPorts {
  public:
    std::unique_ptr<SerialPort> open(const Text& definition) override;
    PortFailure lastFailure() const override { return last_; }

  private:
    PortFailure last_ = PortFailure::None;
};

// The failure that an errno of open or stat stands for.
PortFailure PortFailureOf(int error);

}  // namespace i2ct::linux_platform
