// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once
// The D2XX driver library on Windows: "ftd2xx.dll" loaded with LoadLibraryA, and its five
// functions looked up by name at each call, so that a library lacking one still serves the rest.

#include "platform/serial.h"

namespace i2ct::win32 {

class Win32LibraryLoader : public LibraryLoader {
  public:
    // GetCurrentDirectoryA with room for 260 characters; empty when it fails.
    Text currentDirectory() override;
    char directorySeparator() override { return '\\'; }
    // Nothing when LoadLibraryA fails; the driver frees the library when it goes.
    std::unique_ptr<DeviceDriver> load(const Text& path) override;
};

}  // namespace i2ct::win32
