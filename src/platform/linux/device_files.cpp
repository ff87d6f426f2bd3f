// SPDX-License-Identifier: LGPL-2.1-or-later
#include "platform/linux/device_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace i2ct::linux_platform {

std::string VirtualDeviceDirectory() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime != '\0') {
        return std::string(runtime) + "/i2c-usb-modem";
    }
    return "/tmp/i2c-usb-modem-" + std::to_string(getuid());
}

bool TrustedDirectory(const std::string& directory, std::string& why) {
    struct stat node {};
    if (lstat(directory.c_str(), &node) != 0) {
        why = directory + ": " + std::strerror(errno);
    } else if (!S_ISDIR(node.st_mode)) {
        why = directory + " is not a directory of its own (a link or a file)";
    } else if (node.st_uid != geteuid()) {
        why = directory + " belongs to user " + std::to_string(node.st_uid) + ", not to you";
    } else if ((node.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        why = directory + " may be written by others than you";
    } else {
        return true;
    }
    return false;
}

std::optional<std::string> ReadSmallFile(const std::string& path, std::size_t limit) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    struct stat node {};
    std::string text(limit, '\0');
    const ssize_t got = fd >= 0 && fstat(fd, &node) == 0 && S_ISREG(node.st_mode)
                            ? read(fd, text.data(), limit)
                            : -1;
    if (fd >= 0) {
        close(fd);
    }
    if (got < 0) {
        return std::nullopt;
    }
    text.resize(static_cast<std::size_t>(got));
    return text;
}

std::optional<DeviceFile> ReadDeviceFile(const std::string& path) {
    const std::optional<std::string> text = ReadSmallFile(path);
    if (!text) {
        return std::nullopt;
    }
    DeviceFile device;
    bool haveDescription = false;
    bool havePort = false;
    std::istringstream in(*text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.rfind("description=", 0) == 0) {
            device.description = line.substr(12);
            haveDescription = true;
        } else if (line.rfind("port=", 0) == 0) {
            device.port = line.substr(5);
            havePort = true;
        }
    }
    if (!haveDescription || !havePort) {
        return std::nullopt;
    }
    return device;
}

bool WriteDeviceFile(const std::string& path, const DeviceFile& device, std::string& why) {
    const std::size_t slash = path.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : path.substr(0, slash);
    const std::string name = path.substr(slash + 1);
    // Private to the user, as XDG_RUNTIME_DIR is; one made by someone else is refused below.
    mkdir(directory.c_str(), 0700);
    if (!TrustedDirectory(directory, why)) {
        return false;
    }
    const int dir = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dir < 0) {
        why = directory + ": " + std::strerror(errno);
        return false;
    }
    // The temporary file is always made anew, so no link can stand in its place, and the rename
    // replaces a link at the file's own name instead of following it.
    const std::string temporary = "." + name + ".tmp";
    unlinkat(dir, temporary.c_str(), 0);
    const int fd =
        openat(dir, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    const std::string text = "description=" + device.description + "\nport=" + device.port + "\n";
    const bool written =
        fd >= 0 && write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    const bool done = fd >= 0 && close(fd) == 0 && written &&
                      renameat(dir, temporary.c_str(), dir, name.c_str()) == 0;
    if (!done) {
        why = path + ": " + std::strerror(errno);
        unlinkat(dir, temporary.c_str(), 0);
    }
    close(dir);
    return done;
}

}  // namespace i2ct::linux_platform
