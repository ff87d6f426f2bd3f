#include "batch/batch_ports.h"

#include <poll.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <utility>

#include "core/console.h"

namespace i2ct::batch {
namespace {

volatile std::sig_atomic_t gInterrupts = 0;

void OnInterrupt(int) {
    if (gInterrupts > 0) {
        _exit(130);
    }
    gInterrupts = 1;
}

// Waits on the descriptor, or only for the time without one; a signal ends the wait early.
void Poll(int descriptor, std::uint32_t ms) {
    pollfd entry{descriptor, POLLIN, 0};
    const int timeout = static_cast<int>(std::min<std::uint32_t>(ms, 60000));
    if (descriptor < 0) {
        poll(nullptr, 0, timeout);
        return;
    }
    // A line that has hung up polls readable for ever without a byte: the time passes instead.
    if (poll(&entry, 1, timeout) > 0 && (entry.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
        poll(nullptr, 0, timeout);
    }
}

}  // namespace

void LineWaits::catchInterrupts() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: the interrupt ends the wait in poll.
    sigaction(SIGINT, &action, nullptr);
}

bool LineWaits::interrupted() {
    const bool came = gInterrupts > 0;
    gInterrupts = 0;
    return came;
}

void LineWaits::wakeAfter(std::uint32_t ms) {
    waking_ = true;
    wake_ = clock_.ticks() + ms;
}

WindowEvent LineWaits::waitEvent(std::uint32_t timeoutMs, WaitPolicy policy, LineWatch line) {
    const Tick start = clock_.ticks();
    for (;;) {
        if (policy == WaitPolicy::Loop && !queue_.empty()) {
            const WindowEvent event = queue_.front();
            queue_.pop_front();
            return event;
        }
        if (policy == WaitPolicy::Listen && gInterrupts > 0) {
            gInterrupts = 0;
            return WindowEvent::StopButton;
        }
        const std::size_t waiting = line.port != nullptr ? line.port->waiting() : 0;
        if (line.port != nullptr && waiting >= line.bytes) {
            return WindowEvent::None;
        }
        const Tick now = clock_.ticks();
        std::uint32_t left = now - start < timeoutMs ? timeoutMs - (now - start) : 0;
        if (policy == WaitPolicy::Loop && waking_) {
            const auto toWake = static_cast<std::int32_t>(wake_ - now);
            if (toWake <= 0) {
                waking_ = false;
                return WindowEvent::None;
            }
            left = std::min(left, static_cast<std::uint32_t>(toWake));
        }
        if (left == 0) {
            return WindowEvent::None;
        }
        if (waiting > 0) {
            // Some bytes of a Frame are there, and the line stays readable: the rest follows
            // within a few byte times of 87 µs each.
            const timespec pause{0, 100000};
            nanosleep(&pause, nullptr);
            continue;
        }
        Poll(line.port != nullptr ? line.port->arrivalDescriptor() : -1, left);
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

}  // namespace i2ct::batch
