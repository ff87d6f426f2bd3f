#pragma once
// The window-events port on the Windows message queue. A wait dispatches the messages of both
// windows until an event that its policy lets through arrives, the watched bytes wait on the
// serial line or the time runs out. While a command waits, the user's keys and clicks are taken
// from the queue and dropped, so painting goes on but nothing else happens.

#include <windows.h>

#include "platform/event_queue.h"
#include "platform/window.h"

namespace i2ct::win32ui {

class MessagePump : public WindowEvents {
  public:
    // stopButton is the one control whose clicks pass while LISTEN waits without a time limit.
    explicit MessagePump(HWND stopButton) : stopButton_(stopButton) {}

    WindowEvent waitEvent(std::uint32_t timeoutMs, WaitPolicy policy, LineWatch line) override;

    // Queues an event for the next wait, as the windows' procedures do.
    void post(WindowEvent event) { queue_.post(event); }
    bool pending() const { return !queue_.empty(); }

  private:
    // Whether the message is the user's input that the policy drops.
    bool drops(const MSG& message, WaitPolicy policy) const;

    HWND stopButton_;
    EventQueue queue_;
};

}  // namespace i2ct::win32ui
