// SPDX-License-Identifier: GPL-3.0-or-later
#include "attach/held_port.h"

#include <fcntl.h>
#include <linux/serio.h>
#include <linux/tty.h>
#include <poll.h>
#include <sys/ioctl.h>

#include <cerrno>

#include "platform/text.h"

namespace i2ct::attach {

std::unique_ptr<HeldPort> HeldPort::open(const std::string& path, Refusal& why) {
    PortFailure failure = PortFailure::Other;
    std::unique_ptr<linux_platform::LinuxSerialPort> port = linux_platform::LinuxSerialPort::open(
        cp1252(path) + ": baud=115200 parity=N data=8 stop=1", &failure);
    if (port) {
        return std::unique_ptr<HeldPort>(new HeldPort(std::move(port)));
    }
    switch (failure) {
        case PortFailure::Missing:
            why = Refusal::kMissing;
            break;
        case PortFailure::NotATerminal:
            why = Refusal::kNotATty;
            break;
        case PortFailure::NoPermission:
            why = Refusal::kNoPermission;
            break;
        case PortFailure::Busy:
            why = Refusal::kBusy;
            break;
        case PortFailure::None:
        case PortFailure::Other:
            why = Refusal::kUnusable;
            break;
    }
    return nullptr;
}

HeldPort::~HeldPort() {
    // A tty that hung up refuses it and has gone back to N_TTY by itself.
    if (discipline_) {
        ioctl(fd_, TIOCSETD, &*discipline_);
    }
}

std::optional<Refusal> HeldPort::lendToSerio(unsigned long protocol) {
    int found = N_TTY;
    if (ioctl(fd_, TIOCGETD, &found) != 0) {
        return Refusal::kUnusable;
    }
    int serio = N_MOUSE;
    if (ioctl(fd_, TIOCSETD, &serio) != 0) {
        // The kernel knows no N_MOUSE without serport, and loads it on demand for root only.
        return errno == EINVAL                     ? Refusal::kNoSerport
               : errno == EPERM || errno == EACCES ? Refusal::kNotRoot
                                                   : Refusal::kUnusable;
    }
    discipline_ = found;
    if (ioctl(fd_, SPIOCSTYPE, &protocol) != 0) {
        return Refusal::kUnusable;
    }
    // serport's read blocks until the end whatever O_NONBLOCK says; a discipline set back by
    // someone else would not, and would be seen at once.
    fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
    return std::nullopt;
}

bool HeldPort::withSerio() const {
    int discipline = N_TTY;
    return ioctl(fd_, TIOCGETD, &discipline) == 0 && discipline == N_MOUSE;
}

bool HeldPort::hungUp() const {
    pollfd entry{.fd = fd_, .events = POLLIN, .revents = {}};
    poll(&entry, 1, 0);  // it does not wait, so no signal can break it
    return (entry.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

}  // namespace i2ct::attach
