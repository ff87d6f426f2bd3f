// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once
// The driver loader on Linux. The driver is built into the program, so every load succeeds and
// the start directory is the working directory with "/" as its separator.

#include "platform/serial.h"

namespace i2ct::linux_platform {

class LinuxLibraryLoader : public LibraryLoader {
  public:
    // The working directory, empty when the system cannot tell it.
    Text currentDirectory() override;
    char directorySeparator() override { return '/'; }
    // Ignores the path and binds the built-in driver with the system's roots.
    std::unique_ptr<DeviceDriver> load(const Text& path) override;
};

}  // namespace i2ct::linux_platform
