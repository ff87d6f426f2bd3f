// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The modem's tty while it serves as an I2C bus: held as the terminal holds it, so that the
// terminal, i2c-batch and the library find it taken, and handed back afterwards as it was found.

#include <termios.h>

#include <memory>
#include <optional>
#include <string>

#include "platform/linux/uucp_lock.h"

namespace i2ct::attach {

// Why a port could not be taken or switched over; each is its own line and exit status.
enum class Refusal { kMissing, kNotATty, kNoPermission, kBusy, kNoSerport, kNotRoot, kUnusable };

class HeldPort {
  public:
    // Opens the tty at path exclusively under the terminal's UUCP lock, and makes its line raw at
    // 115200 baud, 8N1, with low latency. Nothing, and the reason in why, when it cannot.
    static std::unique_ptr<HeldPort> open(const std::string& path, Refusal& why);
    // Gives back the line discipline and the settings found, the exclusive hold and the lock.
    ~HeldPort();
    HeldPort(const HeldPort&) = delete;
    HeldPort& operator=(const HeldPort&) = delete;

    // Hands the line to the kernel's serio layer (serport) with this serio protocol number; the
    // port appears to serio drivers in the next read().
    std::optional<Refusal> handToSerio(unsigned long protocol);
    // Whether the line still belongs to serport; someone may have switched it back meanwhile.
    bool withSerio() const;
    // Whether the tty has hung up, as a USB unplug does.
    bool hungUp() const;
    int fd() const { return fd_; }

  private:
    HeldPort(int fd, linux_platform::UucpLock lock) : fd_(fd), lock_(std::move(lock)) {}

    int fd_;
    linux_platform::UucpLock lock_;
    std::optional<termios> settings_;
    std::optional<int> discipline_;
    bool exclusive_ = false;
};

}  // namespace i2ct::attach
