#include "platform/linux/uucp_lock.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace i2ct::linux_platform {
namespace {

// The PID in a lock file: ASCII digits, blanks before them allowed. Nothing when the file is
// missing; 0 when it holds no PID (empty, binary or garbage), which no process has.
std::optional<pid_t> LockHolder(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return errno == ENOENT ? std::nullopt : std::optional<pid_t>(0);
    }
    char text[32] = {};
    const ssize_t got = read(fd, text, sizeof text - 1);
    ::close(fd);
    if (got <= 0) {
        return 0;
    }
    char* end = nullptr;
    const long pid = std::strtol(text, &end, 10);
    const bool wellFormed = end != text && (*end == '\n' || *end == '\0');
    return wellFormed && pid >= 1 && pid <= INT_MAX ? static_cast<pid_t>(pid) : 0;
}

bool Living(pid_t pid) {
    return pid > 0 && (kill(pid, 0) == 0 || errno == EPERM);
}

}  // namespace

std::string LockFileName(const std::string& device) {
    std::error_code unresolved;
    const std::filesystem::path real = std::filesystem::canonical(device, unresolved);
    std::string name = unresolved ? device : real.string();
    if (name.starts_with("/dev/")) {
        name.erase(0, 5);
    } else {
        name.erase(0, name.find_last_of('/') + 1);
    }
    for (char& c : name) {
        c = c == '/' ? '_' : c;
    }
    return "LCK.." + name;
}

std::optional<UucpLock> UucpLock::take(const std::string& device, const std::string& directory) {
    const std::string path = directory + "/" + LockFileName(device);
    char content[16];
    std::snprintf(content, sizeof content, "%10d\n", static_cast<int>(getpid()));
    // The lock appears whole or not at all: written under a name of its own first, then linked to
    // the lock's name, which fails when someone else's lock is there.
    const std::string draft = directory + "/.LCK." + std::to_string(getpid());
    // Twice: a stale lock found the first time is removed, and the second try takes its place.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (const std::optional<pid_t> holder = LockHolder(path)) {
            if (Living(*holder)) {
                return std::nullopt;
            }
            unlink(path.c_str());
        }
        unlink(draft.c_str());  // a leftover of an earlier process with this PID
        const int fd =
            ::open(draft.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0) {
            return UucpLock(std::string());  // a directory we may not write: no lock of ours
        }
        const bool written = write(fd, content, 11) == 11;
        ::close(fd);
        const bool linked = written && link(draft.c_str(), path.c_str()) == 0;
        const int why = errno;
        unlink(draft.c_str());
        if (linked) {
            return UucpLock(path);
        }
        if (!written || why != EEXIST) {
            return UucpLock(std::string());
        }
    }
    return std::nullopt;  // another program took the port while the stale lock went
}

void UucpLock::release() {
    if (!path_.empty() && LockHolder(path_) == getpid()) {
        unlink(path_.c_str());
    }
    path_.clear();
}

}  // namespace i2ct::linux_platform
