#include "sim/pty.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace i2ct::sim {

std::optional<PseudoTerminal> PseudoTerminal::create(std::string& error) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master < 0) {
        error = std::string("posix_openpt: ") + std::strerror(errno);
        return std::nullopt;
    }
    const char* name = nullptr;
    if (grantpt(master) != 0 || unlockpt(master) != 0 || (name = ptsname(master)) == nullptr) {
        error = std::string("pty setup: ") + std::strerror(errno);
        close(master);
        return std::nullopt;
    }
    std::string path(name);
    const int slave = open(path.c_str(), O_RDWR | O_NOCTTY);
    if (slave < 0) {
        error = "open " + path + ": " + std::strerror(errno);
        close(master);
        return std::nullopt;
    }
    // Binary Frames: no echo, no line editing, no translation of 0x04 or line ends.
    termios settings{};
    if (tcgetattr(slave, &settings) == 0) {
        cfmakeraw(&settings);
        cfsetispeed(&settings, B115200);
        cfsetospeed(&settings, B115200);
        tcsetattr(slave, TCSANOW, &settings);
    }
    return PseudoTerminal(master, slave, std::move(path));
}

PseudoTerminal::PseudoTerminal(PseudoTerminal&& other) noexcept
    : master_(other.master_), slave_(other.slave_), path_(std::move(other.path_)) {
    other.master_ = -1;
    other.slave_ = -1;
}

PseudoTerminal::~PseudoTerminal() {
    if (slave_ >= 0) {
        close(slave_);
    }
    if (master_ >= 0) {
        close(master_);
    }
}

}  // namespace i2ct::sim
