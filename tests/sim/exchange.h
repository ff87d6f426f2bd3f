#pragma once
// Talking to a firmware model on explicit times: feed a request at one moment, collect what the
// modem has sent by another.

#include <cstdint>
#include <vector>

#include "sim/firmware.h"

namespace i2ct::sim::check {

using Bytes = std::vector<std::uint8_t>;

// Feeds the bytes, all at `at`.
inline void Send(Firmware& firmware, const Bytes& bytes, Tick at) {
    for (const std::uint8_t b : bytes) {
        firmware.receive(b, at);
    }
}

// Everything the modem has sent by `until`.
inline Bytes Collect(Firmware& firmware, Tick until) {
    firmware.advance(until);
    Bytes out;
    while (const auto b = firmware.output().take(until)) {
        out.push_back(*b);
    }
    return out;
}

// A request and whatever answer came within a second.
inline Bytes Ask(Firmware& firmware, const Bytes& request, Tick at) {
    Send(firmware, request, at);
    return Collect(firmware, at + 1000);
}

// How many bytes have left by `now`.
inline std::size_t DueBy(Firmware& firmware, Tick now) {
    firmware.advance(now);
    return firmware.output().due(now);
}

// The modem's answer to a request it refuses: 49 01 code 04.
inline Bytes Refusal(std::uint8_t code) {
    return {0x49, 0x01, code, 0x04};
}

}  // namespace i2ct::sim::check
