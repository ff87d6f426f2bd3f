// SPDX-License-Identifier: LGPL-2.1-or-later
// The waits without a window on Windows. A COM port has no handle to wait on for arrivals, so the
// wait asks for the waiting count in short Sleep steps; Ctrl-C comes on a thread of its own.
#include <windows.h>

#include <mmsystem.h>

#include <algorithm>

#include "headless/ports.h"
#include "headless/waits_system.h"

namespace i2ct::headless {
namespace {

// The line is asked every 1 ms at first, when an answer is due, and 1 ms less often for every
// further 4 ms of silence, down to every 8 ms.
constexpr DWORD kFirstStepMs = 1;
constexpr DWORD kStepGrowthMs = 4;
constexpr DWORD kLongestStepMs = 8;

BOOL WINAPI OnControl(DWORD event) {
    if (event != CTRL_C_EVENT) {
        return FALSE;
    }
    if (gInterrupts.exchange(true)) {
        ExitProcess(130);
    }
    return TRUE;
}

// Sleep(1) lasts a whole timer tick, 15.6 ms, unless the process asks for 1 ms ticks; every
// exchange would take that long.
void FineTimer() {
    static const bool asked = timeBeginPeriod(1) == TIMERR_NOERROR;
    static_cast<void>(asked);
}

}  // namespace

void LineWaits::catchInterrupts() {
    SetConsoleCtrlHandler(OnControl, TRUE);
}

void PauseForRest() {
    FineTimer();
    Sleep(kFirstStepMs);
}

void PauseForLine(SerialPort* port, std::uint32_t ms) {
    FineTimer();
    const DWORD start = GetTickCount();
    for (DWORD passed = 0; passed < ms; passed = GetTickCount() - start) {
        if ((port != nullptr && port->waiting() > 0) || gInterrupts) {
            return;
        }
        const DWORD step = std::min(kFirstStepMs + passed / kStepGrowthMs, kLongestStepMs);
        Sleep(std::min<DWORD>(step, ms - passed));
    }
}

}  // namespace i2ct::headless
