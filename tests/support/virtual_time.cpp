#include "virtual_time.h"

#include <algorithm>

namespace i2ct::test {

void VirtualTime::at(Tick t, WindowEvent event, std::function<void()> userAction) {
    events_.emplace(std::make_pair(t, sequence_++), Scripted{event, std::move(userAction)});
}

void VirtualTime::schedule(Tick t, std::function<void()> action) {
    actions_.emplace(std::make_pair(t, sequence_++), std::move(action));
}

void VirtualTime::advanceTo(Tick t) {
    while (!actions_.empty() && actions_.begin()->first.first <= t) {
        auto node = actions_.extract(actions_.begin());
        now_ = std::max(now_, node.key().first);
        node.mapped()();
    }
    now_ = std::max(now_, t);
}

WindowEvent VirtualTime::waitEvent(std::uint32_t timeoutMs, WaitPolicy policy, LineWatch line) {
    const Tick deadline = now_ + timeoutMs;
    const auto lineReady = [&line] { return line.port && line.port->waiting() >= line.bytes; };
    if (line.port) {
        const Tick stop =
            events_.empty() ? deadline : std::min(deadline, events_.begin()->first.first);
        // An event due already, scripted while a wait dropped it, leaves no time to step.
        for (Tick left = stop > now_ ? stop - now_ : 0; left > 0 && !lineReady(); --left) {
            advanceTo(now_ + 1);
        }
        if (lineReady()) {
            return WindowEvent::None;
        }
    }
    if (events_.empty() || events_.begin()->first.first > deadline) {
        advanceTo(deadline);
        return WindowEvent::None;
    }
    auto node = events_.extract(events_.begin());
    advanceTo(node.key().first);
    Scripted& s = node.mapped();
    const bool delivered = policy == WaitPolicy::Loop ||
                           (policy == WaitPolicy::Listen && s.event == WindowEvent::StopButton);
    if (delivered && s.userAction) {
        s.userAction();
    }
    return delivered ? s.event : WindowEvent::None;
}

}  // namespace i2ct::test
