#include "platform/linux/linux_clock.h"

#include <signal.h>
#include <sys/time.h>
#include <time.h>

#include <gtest/gtest.h>

#include <cstdint>

namespace i2ct::linux_platform {
namespace {

Tick MonotonicMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<Tick>(static_cast<std::uint64_t>(now.tv_sec) * 1000U +
                             static_cast<std::uint64_t>(now.tv_nsec) / 1000000U);
}

TEST(LinuxClock, TicksAreMonotonicMilliseconds) {
    LinuxClock clock;
    const Tick before = MonotonicMs();
    const Tick ticks = clock.ticks();
    const Tick after = MonotonicMs();
    // Differences in wrapping arithmetic, as every user of the clock compares them.
    EXPECT_LE(static_cast<Tick>(ticks - before), static_cast<Tick>(after - before));
}

TEST(LinuxClock, SleepLastsAtLeastTheAskedTime) {
    LinuxClock clock;
    const Tick start = clock.ticks();
    clock.sleep(30);
    EXPECT_GE(static_cast<Tick>(clock.ticks() - start), 30U);
}

TEST(LinuxClock, ASignalDoesNotCutTheSleepShort) {
    struct sigaction quiet {};
    quiet.sa_handler = [](int) {};
    sigemptyset(&quiet.sa_mask);
    struct sigaction previous {};
    ASSERT_EQ(sigaction(SIGALRM, &quiet, &previous), 0);
    itimerval alarm{};
    alarm.it_value.tv_usec = 10000;
    ASSERT_EQ(setitimer(ITIMER_REAL, &alarm, nullptr), 0);

    LinuxClock clock;
    const Tick start = clock.ticks();
    clock.sleep(60);
    const Tick slept = clock.ticks() - start;
    sigaction(SIGALRM, &previous, nullptr);

    EXPECT_GE(slept, 60U);
}

}  // namespace
}  // namespace i2ct::linux_platform
