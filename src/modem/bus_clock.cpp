// SPDX-License-Identifier: LGPL-2.1-or-later
#include "modem/bus_clock.h"

#include <algorithm>
#include <cmath>

namespace i2ct {
namespace {

// Every rounding step of the conversions matters: the values users know (1500 Hz gives the
// divider 1659 and shows as 1501) only come out with exactly these precisions.
constexpr float kHalfPeriodUnitSingle = 2e-7f;
constexpr double kHalfPeriodUnitDouble = 2e-7;

}  // namespace

std::int32_t FrequencyOfDivider(std::uint16_t divider) {
    const int halfPeriods = divider + 7;
    const auto period = static_cast<float>(static_cast<double>(halfPeriods) *
                                           static_cast<double>(kHalfPeriodUnitSingle));
    // lrint rounds halves to even in the default rounding mode.
    const auto hertz = static_cast<std::int32_t>(std::lrint(0.5 / static_cast<double>(period)));
    return std::min(hertz, kHighestBusClock);
}

std::uint16_t DividerOfFrequency(std::int32_t hertz) {
    const auto period = static_cast<float>(1.0 / hertz);
    const double halfPeriods = static_cast<double>(period) / kHalfPeriodUnitDouble;
    const auto rounded = static_cast<std::int32_t>(std::floor(halfPeriods + 0.5));
    return static_cast<std::uint16_t>(rounded / 2 - 7);
}

}  // namespace i2ct
