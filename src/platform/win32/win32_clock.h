// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once
// The clock on Windows: the system's tick count and the plain Sleep of the one thread.

#include "platform/clock.h"

namespace i2ct::win32 {

class Win32Clock : public Clock {
  public:
    Tick ticks() override;
    void sleep(std::uint32_t ms) override;
};

}  // namespace i2ct::win32
