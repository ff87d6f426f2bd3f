// SPDX-License-Identifier: GPL-3.0-or-later
#include "attach/held_port.h"

#include <fcntl.h>
#include <linux/serio.h>
#include <linux/tty.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/linux/line_settings.h"

namespace i2ct::attach {

namespace {

Refusal OpenRefusal(int error) {
    switch (error) {
        case EACCES:
        case EPERM:
            return Refusal::kNoPermission;
        case EBUSY:
            return Refusal::kBusy;
        case ENOENT:
        case ENXIO:
        case ENODEV:
            return Refusal::kMissing;
        default:
            return Refusal::kUnusable;
    }
}

}  // namespace

std::unique_ptr<HeldPort> HeldPort::open(const std::string& path, Refusal& why) {
    // Looking before opening keeps the open from touching a regular file or a fifo.
    struct stat node {};
    if (stat(path.c_str(), &node) != 0) {
        why = OpenRefusal(errno);
        return nullptr;
    }
    if (!S_ISCHR(node.st_mode)) {
        why = Refusal::kNotATty;
        return nullptr;
    }
    // Before the open, which may already change the line's signals for the lock's holder.
    std::optional<linux_platform::UucpLock> lock = linux_platform::UucpLock::take(path);
    if (!lock) {
        why = Refusal::kBusy;
        return nullptr;
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        why = OpenRefusal(errno);
        return nullptr;
    }
    std::unique_ptr<HeldPort> port(new HeldPort(fd, std::move(*lock)));
    if (!isatty(fd)) {
        why = Refusal::kNotATty;
        return nullptr;
    }
    // The terminal's own way of holding a port: TIOCEXCL keeps ordinary users out, the flock
    // every program of ours, root included.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        why = Refusal::kBusy;
        return nullptr;
    }
    port->exclusive_ = ioctl(fd, TIOCEXCL) == 0;
    termios found{};
    if (tcgetattr(fd, &found) != 0) {
        why = Refusal::kUnusable;
        return nullptr;
    }
    termios line = found;
    if (!linux_platform::ApplyLineSettings("baud=115200 parity=N data=8 stop=1", line) ||
        tcsetattr(fd, TCSANOW, &line) != 0) {
        why = Refusal::kUnusable;
        return nullptr;
    }
    port->settings_ = found;
    linux_platform::AskLowLatency(fd);
    tcflush(fd, TCIOFLUSH);
    // serport's read blocks until the end, whatever O_NONBLOCK says, but other disciplines
    // honour it.
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return port;
}

HeldPort::~HeldPort() {
    // A tty that hung up refuses all of this and goes back to N_TTY by itself.
    if (discipline_) {
        ioctl(fd_, TIOCSETD, &*discipline_);
    }
    if (settings_) {
        tcsetattr(fd_, TCSANOW, &*settings_);
    }
    // The exclusive flag outlives this descriptor while another opener keeps the tty open.
    if (exclusive_) {
        ioctl(fd_, TIOCNXCL);
    }
    ::close(fd_);
    lock_.release();
}

std::optional<Refusal> HeldPort::handToSerio(unsigned long protocol) {
    int found = N_TTY;
    if (ioctl(fd_, TIOCGETD, &found) != 0) {
        return Refusal::kUnusable;
    }
    int serio = N_MOUSE;
    if (ioctl(fd_, TIOCSETD, &serio) != 0) {
        // The kernel knows no N_MOUSE without serport; it loads it on demand for root only.
        return errno == EINVAL                     ? Refusal::kNoSerport
               : errno == EPERM || errno == EACCES ? Refusal::kNotRoot
                                                   : Refusal::kUnusable;
    }
    discipline_ = found;
    if (ioctl(fd_, SPIOCSTYPE, &protocol) != 0) {
        return Refusal::kUnusable;
    }
    return std::nullopt;
}

bool HeldPort::withSerio() const {
    int discipline = N_TTY;
    return ioctl(fd_, TIOCGETD, &discipline) == 0 && discipline == N_MOUSE;
}

bool HeldPort::hungUp() const {
    pollfd entry{fd_, POLLIN, 0};
    return poll(&entry, 1, 0) > 0 && (entry.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

}  // namespace i2ct::attach
