// SPDX-License-Identifier: LGPL-2.1-or-later
#include "headless/ports.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "core/console.h"
#include "headless/waits_system.h"

namespace i2ct::headless {

std::atomic<bool> gInterrupts{false};

bool LineWaits::interrupted() {
    return gInterrupts.exchange(false);
}

void LineWaits::wakeAfter(std::uint32_t ms) {
    wake_ = clock_.ticks() + ms;
}

WindowEvent LineWaits::waitEvent(std::uint32_t timeoutMs, WaitPolicy policy, LineWatch line) {
    const Tick start = clock_.ticks();
    const std::optional<Tick> wake =
        policy == WaitPolicy::Loop ? std::exchange(wake_, std::nullopt) : std::nullopt;
    for (;;) {
        if (policy == WaitPolicy::Loop && !queue_.empty()) {
            const WindowEvent event = queue_.front();
            queue_.pop_front();
            return event;
        }
        if (policy == WaitPolicy::Listen &&
            (gInterrupts.exchange(false) || (port_ != nullptr && *port_ && (*port_)->dead()))) {
            return WindowEvent::StopButton;
        }
        const std::size_t waiting = line.port != nullptr ? line.port->waiting() : 0;
        if (line.port != nullptr && waiting >= line.bytes) {
            return WindowEvent::None;
        }
        const Tick now = clock_.ticks();
        std::uint32_t left = timeoutMs - std::min(now - start, timeoutMs);
        if (wake) {
            const auto toWake = static_cast<std::int32_t>(*wake - now);
            if (toWake <= 0) {
                return WindowEvent::None;
            }
            left = std::min(left, static_cast<std::uint32_t>(toWake));
        }
        if (left == 0) {
            return WindowEvent::None;
        }
        if (waiting > 0) {
            // Some bytes of a Frame are there, and the line stays readable: the rest follows
            // within a few byte times.
            PauseForRest();
            continue;
        }
        PauseForLine(line.port, left);
    }
}

void MessageLog::setText(const Text& text) {
    if (text.find_first_not_of(' ') != Text::npos && !IsProgressText(text)) {
        entries_.push_back({text, colour_ == colour::kErrorRed});
    }
}

std::vector<MessageLog::Entry> MessageLog::take() {
    colour_ = colour::kBlack;
    return std::exchange(entries_, {});
}

}  // namespace i2ct::headless
