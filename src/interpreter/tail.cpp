#include "interpreter/tail.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace i2ct {

void RemoveAll(Text& text, std::string_view word) {
    if (word.empty()) {
        return;
    }
    Text out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text.compare(i, word.size(), word) == 0) {
            i += word.size();
        } else {
            out += text[i++];
        }
    }
    text = std::move(out);
}

void RemoveLeadingBlanks(Text& text) {
    text.erase(0, text.find_first_not_of(' '));
}

Text FirstWord(std::string_view text) {
    return Text(text.substr(0, text.find(' ')));
}

void DropFirstWord(Text& tail) {
    if (tail.find(' ') == Text::npos) {
        tail.clear();
    } else {
        RemoveAll(tail, FirstWord(tail));
    }
    RemoveLeadingBlanks(tail);
}

std::int32_t ReadInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i < text.size() && text[i] == '%') {
        base = 2;
        ++i;
    }
    std::int64_t value = 0;
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    for (; i < text.size(); ++i) {
        const char u = upperCase(text[i]);
        int digit = -1;
        if (u >= '0' && u <= '9') {
            digit = u - '0';
        } else if (u >= 'A' && u <= 'F') {
            digit = u - 'A' + 10;
        }
        if (digit < 0 || digit >= base) {
            break;
        }
        value = std::min(value * base + digit, kLimit);
    }
    if (negative) {
        value = -value;
    }
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

}  // namespace i2ct
