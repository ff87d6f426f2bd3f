// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The modem's tty while it serves as an I2C bus: opened and held as the terminal holds it, so
// that the terminal, i2c-batch and the library find it taken, and handed back afterwards.

#include <memory>
#include <optional>
#include <string>

#include "platform/linux/serial_port.h"

namespace i2ct::attach {

// Why a port could not be taken or lent; each has its own line and exit status.
enum class Refusal { kMissing, kNotATty, kNoPermission, kBusy, kNoSerport, kNotRoot, kUnusable };

class HeldPort {
  public:
    // Opens the tty at path as the terminal does: exclusively, under the UUCP lock, raw at
    // 115200 baud 8N1 with low latency. Nothing, and the reason in why, when it cannot.
    static std::unique_ptr<HeldPort> open(const std::string& path, Refusal& why);
    // Gives back the line discipline found; the port then lets go of the tty and its lock.
    ~HeldPort();
    HeldPort(const HeldPort&) = delete;
    HeldPort& operator=(const HeldPort&) = delete;

    // Lends the line to the kernel's serio layer (serport) under this serio protocol number; the
    // serio port exists while a read() of the descriptor blocks.
    std::optional<Refusal> lendToSerio(unsigned long protocol);
    // Whether the line still belongs to serport; someone may have switched it back meanwhile.
    bool withSerio() const;
    // Whether the tty has hung up, as a USB unplug does.
    bool hungUp() const;
    int fd() const { return fd_; }

  private:
    explicit HeldPort(std::unique_ptr<linux_platform::LinuxSerialPort> port)
        : port_(std::move(port)), fd_(port_->arrivalDescriptor()) {}

    std::unique_ptr<linux_platform::LinuxSerialPort> port_;
    int fd_;
    std::optional<int> discipline_;
};

}  // namespace i2ct::attach
