#pragma once
// Small text operations by which the handlers take their arguments from the command tail.

#include <cstdint>
#include <string_view>

#include "platform/text.h"

namespace i2ct {

// Removes every occurrence of word from text, exact letter case. An empty word removes nothing.
void RemoveAll(Text& text, std::string_view word);
void RemoveLeadingBlanks(Text& text);
// The part before the first blank, or all of it.
Text FirstWord(std::string_view text);
// Removes the first word wherever it occurs (or everything when there is no blank), then the
// leading blanks: how SET FILTER, SET SPEED, SET PULLUP, LISTEN and CHKINT find their argument.
void DropFirstWord(Text& tail);

// Reads a signed integer at the start of text as the C library does: blanks and tabs skipped,
// an optional sign, decimal digits; "$" starts hex digits and "%" binary digits. No digits
// give 0. Values saturate at the 32-bit range.
std::int32_t ReadInteger(std::string_view text);

}  // namespace i2ct
