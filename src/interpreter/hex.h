#pragma once
// Hexadecimal text of the bus commands: "0072 DF 03 9E". Positions are 1-based, 0 is no fault.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/text.h"

namespace i2ct {

// Position of the first character that is neither a hex digit nor a blank, or 0.
std::size_t CheckHexChars(std::string_view text);
// Position of the first character that breaks "XXXX( XX)*" with at most one trailing blank, or
// 0. The text has at least four characters.
std::size_t CheckHexLayout(std::string_view text);
// The value of the two hex digits that the text starts with, either case; a character that is no
// digit counts as 0.
std::uint8_t HexByteValue(std::string_view text);
// Two upper-case hex digits, with a leading zero below 0x10.
Text HexByteText(std::uint8_t value);
// Upper-case hex without leading zeros: 0x05 gives "5", 0 gives "0".
Text HexShortText(std::uint8_t value);

}  // namespace i2ct
