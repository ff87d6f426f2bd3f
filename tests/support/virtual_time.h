#pragma once
// Virtual time for tests: the clock and the window's event wait in one double. Waits and sleeps
// advance the time at once; scripted window events arrive at their virtual times and are
// delivered or dropped by the wait's policy; background actions (the modem's world) run when
// the time passes them, whatever the policy.

#include <cstdint>
#include <functional>
#include <map>

#include "platform/clock.h"
#include "platform/window.h"

namespace i2ct::test {

class VirtualTime : public Clock, public WindowEvents {
  public:
    explicit VirtualTime(Tick start = 1000) : now_(start) {}

    Tick ticks() override { return now_; }
    void sleep(std::uint32_t ms) override { advanceTo(now_ + ms); }
    // A watched line is asked every millisecond, as its bytes fall due on the millisecond.
    WindowEvent waitEvent(std::uint32_t timeoutMs, WaitPolicy policy, LineWatch line) override;

    // A window event at time t. userAction is what the user did (typing, a click); it only
    // happens when the policy delivers the event, as input dropped during a wait is lost.
    void at(Tick t, WindowEvent event, std::function<void()> userAction = {});
    // A background action at time t; it runs as soon as the virtual time reaches t.
    void schedule(Tick t, std::function<void()> action);
    // Moves the time forward to t, running the background actions that fall due on the way.
    void advanceTo(Tick t);

  private:
    struct Scripted {
        WindowEvent event;
        std::function<void()> userAction;
    };
    Tick now_;
    std::uint64_t sequence_ = 0;
    // Ordered by time, then by the order of scripting.
    std::multimap<std::pair<Tick, std::uint64_t>, Scripted> events_;
    std::multimap<std::pair<Tick, std::uint64_t>, std::function<void()>> actions_;
};

}  // namespace i2ct::test
