// SPDX-License-Identifier: LGPL-2.1-or-later
#include "modem/answer_wait.h"

#include <algorithm>

#include "core/console.h"
#include "modem/frame.h"

namespace i2ct {
namespace {

constexpr std::uint32_t kRepaintMs = 10;
constexpr std::uint32_t kCycleSleepMs = 150;

}  // namespace

int WriteCycleLimit(std::int32_t busClock, int length) {
    // The known clocks are never below the slowest, so only the unknown 0 is raised.
    const std::int32_t clock = std::max(busClock, kSlowestBusClock);
    // The bit time and the transfer time are single precision, the conversion to cycles double:
    // the limit is defined with these roundings, and near its steps they decide the cycle.
    const auto bitTime = static_cast<float>(1.0 / clock);
    const auto transferTime = static_cast<float>(static_cast<double>(bitTime) * 9.0 * length);
    return static_cast<int>(static_cast<double>(transferTime) * 6.666666666666667) + 10;
}

bool AwaitAnswer(Program& p, int limit, const Text& progress) {
    Spinner spinner;
    int cycles = 0;
    do {
        if (!progress.empty()) {
            ShowMessage(p, progress + spinner.next());
        }
        AnswerStep(p, kRepaintMs, kCycleSleepMs);
        ++cycles;
    } while (WaitingBytes(p) < 2 && cycles <= limit);
    if (!progress.empty()) {
        ShowMessage(p, " ");
    }
    // Bytes that arrive in the cycle that passes the limit still count as too late.
    return cycles <= limit;
}

}  // namespace i2ct
