#pragma once
// Timings of LISTEN that tests check on their own.

#include <cstdint>

namespace i2ct {

// The highest pass count of timed listening for a listening time in units of 52 ms: the wait
// makes at most this many passes plus one, about 110 ms each.
int ListenTickLimit(std::uint8_t time);

}  // namespace i2ct
