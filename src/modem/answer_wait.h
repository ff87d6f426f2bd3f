// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once
// The wait of WR, RD, LDTB and CLTB for their answer: cycles of about 150 ms until the first two
// bytes of the answer are waiting, up to a cycle limit.

#include <cstdint>

#include "core/program.h"

namespace i2ct {

// The bus clock of the slowest divider, taken while no GET SPEED has told the real one.
inline constexpr std::int32_t kSlowestBusClock = 38;

// Cycle limit of a write of length byte `length` at `busClock` hertz: ten cycles plus the time
// that many bytes of nine bit times take on the bus. A clock of 0 (not yet known) counts as the
// slowest one, so no write is cut short.
int WriteCycleLimit(std::int32_t busClock, int length);

// Waits until 2 bytes are waiting or more than `limit` cycles have passed; true when the bytes
// came within the limit. A non-empty progress text is shown with a turning character in every
// cycle and replaced by a single blank at the end; an empty one leaves the message line alone.
bool AwaitAnswer(Program& p, int limit, const Text& progress);

}  // namespace i2ct
