// SPDX-License-Identifier: LGPL-2.1-or-later
#include "platform/linux/serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/linux/line_settings.h"

namespace i2ct::linux_platform {

namespace {

// The serial timeouts of the Windows build: a byte read gives up after 10 + 100 ms, a byte write
// after 100 + 10 ms.
constexpr int kTransferLimitMs = 110;

std::int64_t MonotonicMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

}  // namespace

PortFailure PortFailureOf(int error) {
    switch (error) {
        case EACCES:
        case EPERM:
        case EROFS:
            return PortFailure::NoPermission;
        case EBUSY:
            return PortFailure::Busy;
        case ENOENT:
        case ENOTDIR:
        case ENODEV:
        case ENXIO:
            return PortFailure::Missing;
        default:
            return PortFailure::Other;
    }
}

std::unique_ptr<LinuxSerialPort> LinuxSerialPort::open(const Text& definition, PortFailure* why) {
    PortFailure ignored = PortFailure::None;
    PortFailure& failure = why != nullptr ? *why : ignored;
    failure = PortFailure::None;
    const std::size_t colon = definition.find(':');
    const std::string path = utf8(std::string_view(definition).substr(0, colon));
    // Only a terminal device is ever the modem's port: a device file or sysfs may name anything,
    // and Frames written into a regular file would overwrite it. Looking before opening keeps
    // the open itself from touching such a file; looking again at the descriptor closes the
    // window in which the path could have been swapped.
    struct stat node {};
    if (stat(path.c_str(), &node) != 0) {
        failure = PortFailureOf(errno);
        return nullptr;
    }
    if (!S_ISCHR(node.st_mode)) {
        failure = PortFailure::NotATerminal;
        return nullptr;
    }
    // Before the open, which may already change the line's signals for the lock's holder.
    std::optional<UucpLock> lock = UucpLock::take(path);
    if (!lock) {
        failure = PortFailure::Busy;
        return nullptr;
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        failure = PortFailureOf(errno);
        return nullptr;
    }
    // TIOCEXCL keeps ordinary users out, but root passes it; the lock stops every second
    // opener, root included.
    if (fstat(fd, &node) != 0 || !S_ISCHR(node.st_mode) || !isatty(fd)) {
        failure = PortFailure::NotATerminal;
        ::close(fd);
        return nullptr;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        failure = PortFailure::Busy;
        ::close(fd);
        return nullptr;
    }
    ioctl(fd, TIOCEXCL);
    std::unique_ptr<LinuxSerialPort> port(new LinuxSerialPort(fd, std::move(*lock)));
    // A line that does not take the settings is not the modem's line either.
    termios line{};
    const std::string_view settings =
        colon == Text::npos ? std::string_view() : std::string_view(definition).substr(colon + 1);
    if (tcgetattr(fd, &line) != 0 || !ApplyLineSettings(settings, line) ||
        tcsetattr(fd, TCSANOW, &line) != 0) {
        failure = PortFailure::Other;
        return nullptr;
    }
    AskLowLatency(fd);
    tcflush(fd, TCIOFLUSH);
    return port;
}

LinuxSerialPort::~LinuxSerialPort() {
    die();
}

void LinuxSerialPort::die() {
    if (fd_ >= 0) {
        // The exclusive flag outlives this descriptor while the other end of a pseudo-terminal
        // stays open, and would lock out the next ordinary opener.
        ioctl(fd_, TIOCNXCL);
        ::close(fd_);
        fd_ = -1;
        lock_.release();
    }
}

short LinuxSerialPort::awaitEvents(short events) {
    const std::int64_t deadline = MonotonicMs() + kTransferLimitMs;
    pollfd entry{fd_, events, 0};
    for (;;) {
        const std::int64_t left = deadline - MonotonicMs();
        const int ready = poll(&entry, 1, left > 0 ? static_cast<int>(left) : 0);
        if (ready > 0) {
            if ((entry.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
                die();
                return 0;
            }
            return entry.revents;
        }
        if (ready == 0 || errno != EINTR || left <= 0) {
            return 0;
        }
    }
}

void LinuxSerialPort::writeByte(std::uint8_t byte) {
    if (dead() || (awaitEvents(POLLOUT) & POLLOUT) == 0) {
        return;
    }
    ssize_t written;
    do {
        written = write(fd_, &byte, 1);
    } while (written < 0 && errno == EINTR);
    if (written < 0 && errno == EIO) {
        die();
    }
}

std::optional<std::uint8_t> LinuxSerialPort::readByte() {
    if (dead() || (awaitEvents(POLLIN) & POLLIN) == 0) {
        return std::nullopt;
    }
    std::uint8_t data;
    ssize_t got;
    do {
        got = read(fd_, &data, 1);
    } while (got < 0 && errno == EINTR);
    if (got == 1) {
        return data;
    }
    // Readable yet empty is the end of the file: the device has gone.
    if (got == 0 || errno == EIO) {
        die();
    }
    return std::nullopt;
}

std::size_t LinuxSerialPort::waiting() {
    if (dead()) {
        return 0;
    }
    int count;
    if (ioctl(fd_, FIONREAD, &count) != 0) {
        if (errno == EIO) {
            die();
        }
        return 0;
    }
    return count > 0 ? static_cast<std::size_t>(count) : 0;
}

std::unique_ptr<SerialPort> LinuxSerialPorts::open(const Text& definition) {
    return LinuxSerialPort::open(definition, &last_);
}

}  // namespace i2ct::linux_platform
