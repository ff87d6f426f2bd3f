// SPDX-License-Identifier: GPL-3.0-or-later
#include "attach/adapter.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace i2ct::attach {

namespace {

bool WordCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0;
}

}  // namespace

std::string TtyName(const std::string& path) {
    std::error_code unresolved;
    const std::filesystem::path real = std::filesystem::canonical(path, unresolved);
    std::string name = unresolved ? path : real.string();
    name.erase(0, name.starts_with("/dev/") ? 5 : name.find_last_of('/') + 1);
    std::erase(name, '/');
    return name;
}

bool HoldsWord(std::string_view name, std::string_view word) {
    if (word.empty()) {
        return false;
    }
    for (std::size_t at = name.find(word); at != std::string_view::npos;
         at = name.find(word, at + 1)) {
        const std::size_t end = at + word.size();
        if ((at == 0 || !WordCharacter(name[at - 1])) &&
            (end == name.size() || !WordCharacter(name[end]))) {
            return true;
        }
    }
    return false;
}

std::optional<int> FindAdapter(const std::string& ttyName, const std::string& sysfs) {
    std::error_code error;
    // Adapters and their clients share the directory; only adapters are called i2c-N.
    for (const auto& entry :
         std::filesystem::directory_iterator(sysfs + "/bus/i2c/devices", error)) {
        const std::string node = entry.path().filename().string();
        if (!node.starts_with("i2c-") || node.size() == 4 ||
            node.find_first_not_of("0123456789", 4) != std::string::npos) {
            continue;
        }
        std::string name;
        if (std::getline(std::ifstream(entry.path() / "name"), name) && HoldsWord(name, ttyName)) {
            return std::atoi(node.c_str() + 4);
        }
    }
    return std::nullopt;
}

bool ModuleLoaded(std::string name, const std::string& sysfs) {
    std::replace(name.begin(), name.end(), '-', '_');
    std::error_code error;
    return std::filesystem::is_directory(sysfs + "/module/" + name, error);
}

int SetBusClock(int bus, unsigned hz, const std::string& sysfs) {
    const std::string path =
        sysfs + "/bus/i2c/devices/i2c-" + std::to_string(bus) + "/bus_clock_hz";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    const std::string text = std::to_string(hz) + "\n";
    // sysfs takes the value in one write. Whatever the modem's reason, a refused write must not
    // read as the missing file that the caller waits out.
    const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    return written ? 0 : EIO;
}

}  // namespace i2ct::attach
