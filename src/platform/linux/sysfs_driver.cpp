// SPDX-License-Identifier: LGPL-2.1-or-later
#include "platform/linux/sysfs_driver.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <utility>

namespace i2ct::linux_platform {

namespace {

namespace fs = std::filesystem;

// Sorted names of the entries of a directory; none when it cannot be read.
std::vector<std::string> EntryNames(const fs::path& directory) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator entry(directory, error), end; !error && entry != end;
         entry.increment(error)) {
        names.push_back(entry->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The file's first line without its line end; blanks and letter case stay as they are.
std::string FirstLine(const fs::path& file) {
    std::string line = ReadSmallFile(file.string(), 256).value_or("");
    line.resize(std::min(line.find('\n'), line.size()));
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

bool Exists(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0;
}

}  // namespace

SysfsDriver::SysfsDriver(DiscoveryPaths paths) : paths_(std::move(paths)) {}

int SysfsDriver::createDeviceInfoList() {
    devices_.clear();
    listUsbSerialPorts();
    listVirtualDevices();
    return static_cast<int>(devices_.size());
}

// The walk from a tty to its USB device that pyserial's list_ports_linux takes.
void SysfsDriver::listUsbSerialPorts() {
    const fs::path ttys = fs::path(paths_.sysfs) / "class" / "tty";
    for (const std::string& name : EntryNames(ttys)) {
        // Most ttys are virtual and have no device; one look settles that before the costly
        // resolving of links.
        if (!Exists((ttys / name / "device").string())) {
            continue;
        }
        std::error_code error;
        const fs::path device = fs::canonical(ttys / name / "device", error);
        if (error) {
            continue;
        }
        const fs::path subsystem = fs::canonical(device / "subsystem", error);
        if (error) {
            continue;
        }
        // A usb-serial tty hangs below its USB interface; a CDC ACM tty's device is the interface.
        fs::path interface;
        if (subsystem.filename() == "usb-serial") {
            interface = device.parent_path();
        } else if (subsystem.filename() == "usb") {
            interface = device;
        } else {
            continue;
        }
        devices_.push_back(
            {cp1252(FirstLine(interface.parent_path() / "product")), paths_.dev + "/" + name});
    }
}

void SysfsDriver::listVirtualDevices() {
    static constexpr std::string_view kSuffix = ".device";
    std::string why;
    if (!TrustedDirectory(paths_.virtualDevices, why)) {
        return;
    }
    for (const std::string& name : EntryNames(paths_.virtualDevices)) {
        if (name.size() <= kSuffix.size() || !name.ends_with(kSuffix)) {
            continue;
        }
        const std::optional<DeviceFile> file = ReadDeviceFile(paths_.virtualDevices + "/" + name);
        // A file left behind by a simulator that has gone names a tty that no longer exists.
        if (file && Exists(file->port)) {
            devices_.push_back({cp1252(file->description), file->port});
        }
    }
}

std::vector<Text> SysfsDriver::deviceDescriptions() {
    std::vector<Text> descriptions;
    for (const Device& device : devices_) {
        descriptions.push_back(device.description);
    }
    return descriptions;
}

std::optional<int> SysfsDriver::open(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= devices_.size()) {
        return std::nullopt;
    }
    const int handle = nextHandle_++;
    open_[handle] = devices_[static_cast<std::size_t>(index)].port;
    return handle;
}

Text SysfsDriver::portName(int handle) {
    const auto found = open_.find(handle);
    return found == open_.end() ? Text() : cp1252(found->second);
}

void SysfsDriver::close(int handle) {
    open_.erase(handle);
}

}  // namespace i2ct::linux_platform
