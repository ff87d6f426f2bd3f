#include "platform/linux/device_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace i2ct::linux_platform {

std::string VirtualDeviceDirectory() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime != '\0') {
        return std::string(runtime) + "/i2c-usb-modem";
    }
    return "/tmp/i2c-usb-modem-" + std::to_string(getuid());
}

std::optional<DeviceFile> ReadDeviceFile(const std::string& path) {
    std::ifstream in(path);
    if (!in) {
        return std::nullopt;
    }
    DeviceFile device;
    bool haveDescription = false;
    bool havePort = false;
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

bool WriteDeviceFile(const std::string& path, const DeviceFile& device) {
    const std::size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0) {
        // Private to the user, as XDG_RUNTIME_DIR is.
        mkdir(path.substr(0, slash).c_str(), 0700);
    }
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::trunc);
        if (!out) {
            return false;
        }
        out << "description=" << device.description << "\nport=" << device.port << "\n";
        if (!out.flush()) {
            return false;
        }
    }
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}

}  // namespace i2ct::linux_platform
