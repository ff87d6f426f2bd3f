// The batch program on Linux: standard input and a log file that must be no link and the user's
// own.
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <iterator>

#include "batch/batch_system.h"

namespace i2ct::batch {

void PrepareStandardStreams() {
    // A standard descriptor that came closed would be the next file opened, the modem's port
    // above all, which would then be read as the user's input and made a shell's terminal.
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fcntl(fd, F_GETFD) == -1) {
            open("/dev/null", O_RDWR);
        }
    }
}

bool InteractiveInput() {
    return isatty(STDIN_FILENO) != 0;
}

Woken AwaitInput(std::uint32_t ms, int port, bool arrivals) {
    // Without arrivals to wait for, the port's entry asks for no event at all.
    pollfd entries[2] = {
        {.fd = STDIN_FILENO, .events = POLLIN, .revents = {}},
        {.fd = port, .events = static_cast<short>(POLLIN * arrivals), .revents = {}}};
    const int timeout = static_cast<int>(std::min<std::uint32_t>(ms, 60000));
    // Without a port the second entry's descriptor is -1, which poll passes over.
    if (poll(entries, std::size(entries), timeout) <= 0) {
        return Woken::Time;
    }
    // The end of the input polls as a hang-up; the read then finds it.
    return entries[0].revents != 0 ? Woken::Input : Woken::Port;
}

// Only called once poll found input, so the read neither blocks nor meets a signal; a failure
// ends the input as its end does.
std::size_t ReadInput(char* buffer, std::size_t size) {
    return static_cast<std::size_t>(std::max<ssize_t>(read(STDIN_FILENO, buffer, size), 0));
}

// Written through a link or into a file that someone else prepared, the log would land where that
// someone wants it.
std::FILE* OpenLog(const std::string& path) {
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        return nullptr;
    }
    struct stat file {};
    if (fstat(fd, &file) == 0 && S_ISREG(file.st_mode) && file.st_uid == getuid()) {
        if (std::FILE* log = fdopen(fd, "w")) {
            return log;
        }
    }
    ::close(fd);
    return nullptr;
}

}  // namespace i2ct::batch
