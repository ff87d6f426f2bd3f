// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once
// The two conversions between the bus clock in hertz and the modem's 16-bit divider, where one
// half clock period lasts (divider + 7) times 200 ns.

#include <cstdint>

#include "i2c-modem-protocol.h"

namespace i2ct {

inline constexpr std::int32_t kLowestBusClock = I2C_MODEM_LOWEST_CLOCK;
inline constexpr std::int32_t kHighestBusClock = I2C_MODEM_HIGHEST_CLOCK;

// The frequency GET SPEED shows for a divider, clamped to the highest settable clock.
std::int32_t FrequencyOfDivider(std::uint16_t divider);
// The divider SET SPEED sends for a frequency from kLowestBusClock to kHighestBusClock.
std::uint16_t DividerOfFrequency(std::int32_t hertz);

}  // namespace i2ct
