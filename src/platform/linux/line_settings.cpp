// SPDX-License-Identifier: LGPL-2.1-or-later
#include "platform/linux/line_settings.h"

#include <linux/serial.h>
#include <sys/ioctl.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "platform/text.h"

namespace i2ct::linux_platform {

namespace {

struct Requested {
    std::optional<speed_t> speed;
    tcflag_t characterSize = CS8;
    tcflag_t parity = 0;
    bool extraStop = false;
    bool oneAndHalfStop = false;
};

bool IsSeparator(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::optional<speed_t> SpeedFor(std::uint32_t baud) {
    static constexpr std::array<std::pair<std::uint32_t, speed_t>, 30> kSpeeds{{
        {50, B50},           {75, B75},           {110, B110},         {134, B134},
        {150, B150},         {200, B200},         {300, B300},         {600, B600},
        {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
        {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
        {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
        {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
        {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
        {3500000, B3500000}, {4000000, B4000000},
    }};
    for (const auto& [rate, speed] : kSpeeds) {
        if (rate == baud) {
            return speed;
        }
    }
    return std::nullopt;
}

std::optional<speed_t> ParseBaud(std::string_view value) {
    if (value.empty() || value.size() > 7) {
        return std::nullopt;
    }
    std::uint32_t baud = 0;
    for (const char c : value) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        baud = baud * 10U + static_cast<std::uint32_t>(c - '0');
    }
    // Two digits are the abbreviations of the MODE command, which BuildCommDCB still honours.
    static constexpr std::array<std::pair<std::uint32_t, std::uint32_t>, 9> kAbbreviations{{
        {11, 110},
        {15, 150},
        {30, 300},
        {60, 600},
        {12, 1200},
        {24, 2400},
        {48, 4800},
        {96, 9600},
        {19, 19200},
    }};
    for (const auto& [abbreviation, rate] : kAbbreviations) {
        if (abbreviation == baud) {
            baud = rate;
        }
    }
    return SpeedFor(baud);
}

bool ParseParity(std::string_view value, tcflag_t& parity) {
    if (value.size() != 1) {
        return false;
    }
    switch (upperCase(value[0])) {
        case 'N':
            parity = 0;
            return true;
        case 'E':
            parity = PARENB;
            return true;
        case 'O':
            parity = PARENB | PARODD;
            return true;
        case 'M':
            parity = PARENB | CMSPAR | PARODD;
            return true;
        case 'S':
            parity = PARENB | CMSPAR;
            return true;
        default:
            return false;
    }
}

bool ParseData(std::string_view value, tcflag_t& characterSize) {
    static constexpr std::array<std::pair<std::string_view, tcflag_t>, 4> kSizes{{
        {"5", CS5},
        {"6", CS6},
        {"7", CS7},
        {"8", CS8},
    }};
    for (const auto& [text, size] : kSizes) {
        if (value == text) {
            characterSize = size;
            return true;
        }
    }
    return false;
}

bool ParseStop(std::string_view value, Requested& requested) {
    if (value == "1" || value == "2" || value == "1.5") {
        requested.extraStop = value != "1";
        requested.oneAndHalfStop = value == "1.5";
        return true;
    }
    return false;
}

bool ParseSetting(std::string_view key, std::string_view value, Requested& requested) {
    const Text name = upperCase(key);
    if (name == "BAUD") {
        requested.speed = ParseBaud(value);
        return requested.speed.has_value();
    }
    if (name == "PARITY") {
        return ParseParity(value, requested.parity);
    }
    if (name == "DATA") {
        return ParseData(value, requested.characterSize);
    }
    if (name == "STOP") {
        return ParseStop(value, requested);
    }
    return false;
}

// Reads "key=value" pairs; blanks may also stand around the "=".
std::optional<Requested> Parse(std::string_view text) {
    Requested requested;
    std::size_t at = 0;
    const auto skipSeparators = [&] {
        while (at < text.size() && IsSeparator(text[at])) {
            ++at;
        }
    };
    const auto word = [&] {
        const std::size_t start = at;
        while (at < text.size() && !IsSeparator(text[at]) && text[at] != '=') {
            ++at;
        }
        return text.substr(start, at - start);
    };
    for (skipSeparators(); at < text.size(); skipSeparators()) {
        const std::string_view key = word();
        skipSeparators();
        if (key.empty() || at == text.size() || text[at] != '=') {
            return std::nullopt;
        }
        ++at;
        skipSeparators();
        if (!ParseSetting(key, word(), requested)) {
            return std::nullopt;
        }
    }
    // A UART has one and a half stop bits only for 5-bit characters, as SetCommState demands.
    if (requested.oneAndHalfStop && requested.characterSize != CS5) {
        return std::nullopt;
    }
    return requested;
}

}  // namespace

bool ApplyLineSettings(std::string_view settings, termios& terminal) {
    const std::optional<Requested> requested = Parse(settings);
    if (!requested) {
        return false;
    }
    termios line = terminal;
    cfmakeraw(&line);
    line.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    line.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    line.c_cflag |= CLOCAL | CREAD | requested->characterSize | requested->parity;
    if (requested->extraStop) {
        line.c_cflag |= CSTOPB;
    }
    line.c_cc[VMIN] = 0;  // cfmakeraw asks for one byte at least, with no time limit
    if (requested->speed) {
        cfsetspeed(&line, *requested->speed);
    }
    terminal = line;
    return true;
}

void AskLowLatency(int fd) {
    serial_struct serial{};
    // Always set, also when the flag shows already: the FTDI driver writes its timer to the chip
    // only when asked.
    if (ioctl(fd, TIOCGSERIAL, &serial) == 0) {
        serial.flags |= ASYNC_LOW_LATENCY;
        ioctl(fd, TIOCSSERIAL, &serial);
    }
}

}  // namespace i2ct::linux_platform
