// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once
// The fixed colours of the window, as red, green, blue.

#include <cstdint>

namespace i2ct {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend constexpr bool operator==(Rgb, Rgb) = default;
};

namespace colour {
inline constexpr Rgb kGrey{207, 207, 207};  // message line background
inline constexpr Rgb kGreen{0, 224, 0};     // "Online", first blink colour
inline constexpr Rgb kRed{224, 0, 0};       // "Offline"
inline constexpr Rgb kYellow{255, 255, 0};  // "BUSSY", second blink colour
inline constexpr Rgb kErrorRed{255, 0, 0};  // text of an error message
inline constexpr Rgb kBlack{0, 0, 0};       // normal message text
}  // namespace colour

}  // namespace i2ct
