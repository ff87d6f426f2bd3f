#pragma once
// The events a window has queued for the core's next wait, and what each wait policy lets
// through of them; shared by the front ends' event pumps.

#include <algorithm>
#include <deque>

#include "platform/window.h"

namespace i2ct {

class EventQueue {
  public:
    void post(WindowEvent event) {
        // The tracker looks at the whole area each time, so a run of output-area events asks no
        // more of it than the last one.
        if (event == WindowEvent::OutputArea && !queue_.empty() && queue_.back() == event) {
            return;
        }
        queue_.push_back(event);
    }
    bool empty() const { return queue_.empty(); }

    // Whether an event waits that ends a wait with this policy.
    bool ends(WaitPolicy policy) const {
        return policy == WaitPolicy::Loop ? !queue_.empty()
                                          : policy == WaitPolicy::Listen && stopQueued();
    }

    // The event that a wait with this policy returns. A command's wait takes every event and
    // drops it, but for a STOP click while LISTEN waits; the loop takes one at a time.
    WindowEvent take(WaitPolicy policy) {
        if (policy != WaitPolicy::Loop) {
            const bool stop = policy == WaitPolicy::Listen && stopQueued();
            queue_.clear();
            return stop ? WindowEvent::StopButton : WindowEvent::None;
        }
        if (queue_.empty()) {
            return WindowEvent::None;
        }
        const WindowEvent event = queue_.front();
        queue_.pop_front();
        return event;
    }

  private:
    bool stopQueued() const {
        return std::find(queue_.begin(), queue_.end(), WindowEvent::StopButton) != queue_.end();
    }

    std::deque<WindowEvent> queue_;
};

}  // namespace i2ct
