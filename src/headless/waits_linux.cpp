// SPDX-License-Identifier: LGPL-2.1-or-later
// The waits without a window on Linux: poll on the serial line's descriptor, and SIGINT, whose
// arrival ends the poll.
#include <poll.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>

#include "headless/ports.h"
#include "headless/waits_system.h"

namespace i2ct::headless {
namespace {

// The handler sets the flag, so it must not take a lock.
static_assert(std::atomic<bool>::is_always_lock_free);

void OnInterrupt(int) {
    if (gInterrupts.exchange(true)) {
        _exit(130);
    }
}

// Waits on the descriptor, or only for the time without one (poll passes over a negative
// descriptor); a signal ends the wait early.
void Poll(int descriptor, std::uint32_t ms) {
    pollfd entry{.fd = descriptor, .events = POLLIN, .revents = {}};
    const int timeout = static_cast<int>(std::min<std::uint32_t>(ms, 60000));
    poll(&entry, 1, timeout);
    // A line that has hung up polls readable for ever without a byte: the time passes instead.
    if ((entry.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
        poll(nullptr, 0, timeout);
    }
}

}  // namespace

void LineWaits::catchInterrupts() {
    // The zeroed action blocks no other signal while the handler runs.
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    // No SA_RESTART: the interrupt ends the wait in poll.
    sigaction(SIGINT, &action, nullptr);
}

void PauseForRest() {
    const timespec pause{0, 100000};
    nanosleep(&pause, nullptr);
}

void PauseForLine(SerialPort* port, std::uint32_t ms) {
    Poll(port != nullptr ? port->arrivalDescriptor() : -1, ms);
}

}  // namespace i2ct::headless
