#include "interpreter/hex.h"

#include <algorithm>

namespace i2ct {
namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

int digitValue(char c) {
    const char u = upperCase(c);
    if (u >= '0' && u <= '9') {
        return u - '0';
    }
    if (u >= 'A' && u <= 'F') {
        return u - 'A' + 10;
    }
    return -1;
}

}  // namespace

std::size_t CheckHexChars(std::string_view text) {
    for (std::size_t p = 0; p < text.size(); ++p) {
        if (text[p] != ' ' && digitValue(text[p]) < 0) {
            return p + 1;
        }
    }
    return 0;
}

std::size_t CheckHexLayout(std::string_view text) {
    const std::size_t length = text.size();
    // 1-based, as the positions it reports.
    auto blankAt = [&](std::size_t pos) { return text[pos - 1] == ' '; };
    std::size_t r = 0;
    std::size_t p = 1;
    for (; p <= 4; ++p) {
        if (blankAt(p)) {
            r = p;
            break;
        }
    }
    if (r == 0) {
        p = 4;
    }
    // p never passes the end, so inside the loop it stands before it.
    while (r == 0 && p != length) {
        ++p;
        if (!blankAt(p)) {
            r = p;
        }
        if (p < length && r == 0) {
            ++p;
            if (blankAt(p)) {
                r = p;
            } else if (p < length) {
                ++p;
                if (blankAt(p)) {
                    r = p;
                }
            } else {
                r = p;
            }
        }
    }
    return r;
}

std::uint8_t HexByteValue(std::string_view text) {
    const int high = digitValue(text[0]);
    const int low = digitValue(text[1]);
    return static_cast<std::uint8_t>(std::max(high, 0) * 16 + std::max(low, 0));
}

Text HexByteText(std::uint8_t value) {
    return Text{kDigits[value >> 4], kDigits[value & 0x0F]};
}

Text HexShortText(std::uint8_t value) {
    if (value < 0x10) {
        return Text{kDigits[value]};
    }
    return HexByteText(value);
}

}  // namespace i2ct
