#pragma once
// The UUCP lock that serial programs such as minicom and cu agree on: a file LCK..ttyUSB0 in
// /var/lock holding the locker's PID as ten characters and a line end. A lock of a living process
// keeps the port from being opened; while the program holds a port, its own lock keeps those
// programs out in turn.

#include <optional>
#include <string>

namespace i2ct::linux_platform {

inline constexpr const char* kLockDirectory = "/var/lock";

class UucpLock {
  public:
    // The lock for the device at path, taken for this process; nothing when a living process,
    // this one included, holds it already. A lock of a process that has ended is stale and
    // replaced. Where the directory is missing or not writable no lock is written, and the
    // port is opened without one, as before locks were known.
    static std::optional<UucpLock> take(const std::string& device,
                                        const std::string& directory = kLockDirectory);

    UucpLock(UucpLock&& other) noexcept : path_(std::move(other.path_)) { other.path_.clear(); }
    UucpLock& operator=(UucpLock&& other) = delete;
    UucpLock(const UucpLock&) = delete;
    UucpLock& operator=(const UucpLock&) = delete;
    // Releases the lock.
    ~UucpLock() { release(); }

    // Removes the lock file, if it still holds this process's PID; nobody else's is touched.
    void release();
    // The lock file written, empty when none was.
    const std::string& path() const { return path_; }

  private:
    explicit UucpLock(std::string path) : path_(std::move(path)) {}
    std::string path_;
};

// The name of the lock file for a device: LCK.. and the device's name below /dev, its links
// resolved and any further "/" turned into "_" (/dev/pts/3 gives LCK..pts_3).
std::string LockFileName(const std::string& device);

}  // namespace i2ct::linux_platform
