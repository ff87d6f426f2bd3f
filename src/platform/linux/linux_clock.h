// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once
// The system clock for the real program: monotonic milliseconds, so a change of the wall-clock
// time never looks like a timeout.

#include "platform/clock.h"

namespace i2ct::linux_platform {

class LinuxClock : public Clock {
  public:
    Tick ticks() override;
    // Sleeps the full time even when a signal interrupts the wait.
    void sleep(std::uint32_t ms) override;
};

}  // namespace i2ct::linux_platform
