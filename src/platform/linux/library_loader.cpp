// SPDX-License-Identifier: LGPL-2.1-or-later
#include "platform/linux/library_loader.h"

#include <filesystem>
#include <system_error>

#include "platform/linux/sysfs_driver.h"

namespace i2ct::linux_platform {

Text LinuxLibraryLoader::currentDirectory() {
    std::error_code error;
    const std::filesystem::path directory = std::filesystem::current_path(error);
    return error ? Text() : cp1252(directory.string());
}

std::unique_ptr<DeviceDriver> LinuxLibraryLoader::load(const Text&) {
    return std::make_unique<SysfsDriver>();
}

}  // namespace i2ct::linux_platform
