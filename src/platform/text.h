// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once
// Text inside the core is Windows-1252: one byte per character, so positions and lengths are
// those the user counts on screen. Conversion to and from UTF-8 happens only at the UI boundary
// and for the program's own German literals, which stay readable as UTF-8 in the source.

#include <string>
#include <string_view>

namespace i2ct {

using Text = std::string;

// The byte that stands for a typed character Windows-1252 cannot hold. It is one of the five
// unassigned code points, so no command check (hex digits, blanks, keywords, "?", a prompt
// character reported by the modem) ever accepts it.
inline constexpr char kUnmappable = '\x81';

// UTF-8 to Windows-1252; characters outside the code page and malformed sequences become
// kUnmappable.
Text cp1252(std::string_view utf8);

// Windows-1252 to UTF-8; kUnmappable is shown as U+FFFD, so it maps back to itself.
std::string utf8(std::string_view text);

// Upper case by the character rules of Windows-1252 (a-z, the accented letters, š, œ, ž, ÿ).
char upperCase(char c);
Text upperCase(std::string_view text);

}  // namespace i2ct
