// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once
// What the waits without a window need of the system, one file for each: Ctrl-C, and a pause that
// ends when bytes may have come on the serial line.

#include <atomic>
#include <cstdint>

#include "platform/serial.h"

namespace i2ct::headless {

// Whether a Ctrl-C came that nobody has taken yet: set by the system's handler, taken by the waits
// and by the program between commands; a second one before that ends the program.
extern std::atomic<bool> gInterrupts;

// Lets the rest of a Frame come whose first bytes wait already: a few byte times of 87 µs.
void PauseForRest();
// Blocks for up to ms; ends earlier when bytes arrive on the port, if the system can tell, or
// when Ctrl-C comes.
void PauseForLine(SerialPort* port, std::uint32_t ms);

}  // namespace i2ct::headless
