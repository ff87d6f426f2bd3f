// SPDX-License-Identifier: LGPL-2.1-or-later
#include "platform/text.h"

#include <array>
#include <cstdint>

namespace i2ct {
namespace {

// Unicode code points of the bytes 0x80 to 0x9F; 0 marks the five unassigned ones.
constexpr std::array<char32_t, 32> kHighControls{
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char encode(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
        return static_cast<char>(static_cast<unsigned char>(cp));
    }
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        // cp is above 0x7F here, so the unassigned bytes' 0 never matches.
        if (kHighControls[i] == cp) {
            return static_cast<char>(0x80 + i);
        }
    }
    return kUnmappable;
}

// Every Windows-1252 character, and the replacement character, lies in the Basic Multilingual
// Plane: three bytes at most.
void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

Text cp1252(std::string_view utf8Text) {
    Text out;
    std::size_t i = 0;
    while (i < utf8Text.size()) {
        const auto lead = static_cast<unsigned char>(utf8Text[i]);
        int extra = 0;
        char32_t cp;
        if (lead < 0x80) {
            cp = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1;
            cp = lead & 0x1Fu;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2;
            cp = lead & 0x0Fu;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3;
            cp = lead & 0x07u;
        } else {
            out += kUnmappable;
            ++i;
            continue;
        }
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            if (i + static_cast<std::size_t>(k) >= utf8Text.size()) {
                ok = false;
                break;
            }
            const auto cont = static_cast<unsigned char>(utf8Text[i + static_cast<std::size_t>(k)]);
            if ((cont & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (cont & 0x3Fu);
        }
        if (!ok) {
            out += kUnmappable;
            ++i;
            continue;
        }
        out += encode(cp);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

std::string utf8(std::string_view text) {
    std::string out;
    for (char ch : text) {
        const auto b = static_cast<unsigned char>(ch);
        char32_t cp = b;
        if (ch == kUnmappable) {
            cp = 0xFFFD;
        } else if (b >= 0x80 && b < 0xA0 && kHighControls[b - 0x80u] != 0) {
            cp = kHighControls[b - 0x80u];
        }
        appendUtf8(out, cp);
    }
    return out;
}

char upperCase(char c) {
    const auto b = static_cast<unsigned char>(c);
    if ((b >= 'a' && b <= 'z') || (b >= 0xE0 && b <= 0xFE && b != 0xF7)) {
        return static_cast<char>(b - 0x20);
    }
    switch (b) {
        case 0x9A:
            return '\x8A';  // š
        case 0x9C:
            return '\x8C';  // œ
        case 0x9E:
            return '\x8E';  // ž
        case 0xFF:
            return '\x9F';  // ÿ
        default:
            return c;
    }
}

Text upperCase(std::string_view text) {
    Text out(text);
    for (char& c : out) {
        c = upperCase(c);
    }
    return out;
}

}  // namespace i2ct
