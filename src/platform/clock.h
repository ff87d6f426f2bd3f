// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once
// The tick count and the plain wait. All timing logic reads time only through this port, so tests
// can run it on a virtual clock.

#include <cstdint>

namespace i2ct {

// Milliseconds of the system clock, wrapping at 2^32; only differences are ever compared.
using Tick = std::uint32_t;

// Milliseconds from now until more than `interval` ms have passed since `since`; 0 once they have.
inline std::uint32_t MsUntilMoreThan(Tick now, Tick since, Tick interval) {
    const Tick passed = now - since;
    return passed > interval ? 0 : interval - passed + 1;
}

class Clock {
  public:
    virtual ~Clock() = default;
    virtual Tick ticks() = 0;
    // Blocks the one thread for ms milliseconds; the window does not repaint meanwhile.
    virtual void sleep(std::uint32_t ms) = 0;
};

}  // namespace i2ct
