// The kernel module's integer clock conversions against the terminal's floating-point ones, over
// every frequency SET SPEED takes and every divider GET SPEED can report.

#include <gtest/gtest.h>

#include "i2c-modem-clock.h"
#include "modem/bus_clock.h"

namespace i2ct::test {
namespace {

TEST(KernelClock, EveryDividerAndEveryFrequencyIsTheTerminals) {
    for (std::int32_t hz = kLowestBusClock; hz <= kHighestBusClock; ++hz) {
        ASSERT_EQ(i2c_modem_divider_of_clock(static_cast<u32>(hz)), DividerOfFrequency(hz)) << hz;
    }
    for (std::uint32_t d = 0; d <= 0xFFFF; ++d) {
        const auto divider = static_cast<std::uint16_t>(d);
        ASSERT_EQ(static_cast<std::int32_t>(i2c_modem_clock_of_divider(divider)),
                  FrequencyOfDivider(divider))
            << d;
    }
}

}  // namespace
}  // namespace i2ct::test
