#pragma once
// Life on the bus for a newcomer: another master talks to a few devices every second, and an
// input of the port expander changes every 10 s, so that listening and interrupt monitoring have
// something to show.

#include <cstdint>

#include "platform/clock.h"
#include "sim/firmware.h"

namespace i2ct::sim {

class DemoTraffic {
  public:
    static constexpr std::uint32_t kTrafficPeriodMs = 1000;
    static constexpr std::uint32_t kInputPeriodMs = 10'000;

    void start(Tick now);
    void stop() { running_ = false; }
    bool running() const { return running_; }
    // Injects whatever fell due by `now`.
    void advance(Firmware& firmware, Tick now);

  private:
    void talk(Firmware& firmware, Tick at);

    bool running_ = false;
    Tick nextTraffic_ = 0;
    Tick nextInput_ = 0;
    std::uint8_t counter_ = 0;
};

}  // namespace i2ct::sim
