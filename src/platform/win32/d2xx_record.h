// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once
// The D2XX device record as FTDI publishes it, for the driver port and the tests' stand-in
// library alike: the description starts at byte 32.

#include <windows.h>

namespace i2ct::win32 {

struct DeviceInfo {
    DWORD flags;
    DWORD type;
    DWORD id;
    DWORD locationId;
    char serialNumber[16];
    char description[64];
    void* handle;
};

}  // namespace i2ct::win32
