// SPDX-License-Identifier: LGPL-2.1-or-later
#include "platform/linux/linux_clock.h"

#include <time.h>

#include <cerrno>
#include <cstdint>

namespace i2ct::linux_platform {

Tick LinuxClock::ticks() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const auto ms = static_cast<std::uint64_t>(now.tv_sec) * 1000U +
                    static_cast<std::uint64_t>(now.tv_nsec) / 1000000U;
    // Only differences are compared, so dropping the high bits is the intended wrap.
    return static_cast<Tick>(ms);
}

void LinuxClock::sleep(std::uint32_t ms) {
    // An absolute deadline lets an interrupted wait resume without adding up drift.
    constexpr std::int64_t kNanosecondsPerSecond = 1000000000;
    timespec deadline{};
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    const std::int64_t nanoseconds = deadline.tv_nsec + std::int64_t{ms} * 1000000;
    deadline.tv_sec += static_cast<time_t>(nanoseconds / kNanosecondsPerSecond);
    deadline.tv_nsec = static_cast<long>(nanoseconds % kNanosecondsPerSecond);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
    }
}

}  // namespace i2ct::linux_platform
