// SPDX-License-Identifier: LGPL-2.1-or-later
#include "platform/win32/win32_clock.h"

#include <windows.h>

namespace i2ct::win32 {

Tick Win32Clock::ticks() {
    return GetTickCount();
}

void Win32Clock::sleep(std::uint32_t ms) {
    Sleep(ms);
}

}  // namespace i2ct::win32
