#include "win32ui/message_pump.h"

#include <algorithm>

namespace i2ct::win32ui {
namespace {

// A COM port has nothing to wait on, so a watched line is asked in steps: short while a
// command's answer is due, and at the loop's old pace while the loop waits for unasked Frames.
constexpr DWORD kAnswerStepMs = 1;
constexpr DWORD kUnaskedStepMs = 5;

bool IsClick(UINT message) {
    return (message >= WM_LBUTTONDOWN && message <= WM_MBUTTONDBLCLK) ||
           (message >= WM_XBUTTONDOWN && message <= WM_XBUTTONDBLCLK);
}

bool IsInput(UINT message) {
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) || IsClick(message) ||
           message == WM_MOUSEWHEEL || message == WM_MOUSEHWHEEL || message == WM_CONTEXTMENU ||
           (message >= WM_NCLBUTTONDOWN && message <= WM_NCXBUTTONDBLCLK) ||
           (message >= WM_IME_STARTCOMPOSITION && message <= WM_IME_KEYLAST) ||
           message == WM_IME_CHAR;
}

}  // namespace

bool MessagePump::drops(const MSG& message, WaitPolicy policy) const {
    if (policy == WaitPolicy::Loop || !IsInput(message.message)) {
        return false;
    }
    const bool stopClick = policy == WaitPolicy::Listen && IsClick(message.message) &&
                           message.hwnd == stopButton_ && IsWindowVisible(stopButton_);
    return !stopClick;
}

WindowEvent MessagePump::waitEvent(std::uint32_t timeoutMs, WaitPolicy policy, LineWatch line) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (drops(message, policy)) {
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (queue_.ends(policy) || (line.port != nullptr && line.port->waiting() >= line.bytes)) {
            break;
        }
        const DWORD passed = GetTickCount() - start;
        if (passed >= timeoutMs) {
            break;
        }
        DWORD step = timeoutMs - passed;
        if (line.port != nullptr) {
            step = std::min(step, policy == WaitPolicy::Loop ? kUnaskedStepMs : kAnswerStepMs);
        }
        MsgWaitForMultipleObjectsEx(0, nullptr, step, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
    return queue_.take(policy);
}

}  // namespace i2ct::win32ui
