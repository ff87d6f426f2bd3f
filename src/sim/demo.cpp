#include "sim/demo.h"

#include "sim/outbox.h"

namespace i2ct::sim {

namespace {

// A display driver that only the other master talks to.
constexpr Address kDisplay{0x74, 0x00};

}  // namespace

void DemoTraffic::start(Tick now) {
    running_ = true;
    nextTraffic_ = now + kTrafficPeriodMs;
    nextInput_ = now + kInputPeriodMs;
}

void DemoTraffic::advance(Firmware& firmware, Tick now) {
    if (!running_) {
        return;
    }
    while (Reached(now, nextTraffic_)) {
        talk(firmware, nextTraffic_);
        nextTraffic_ += kTrafficPeriodMs;
    }
    while (Reached(now, nextInput_)) {
        // A button on input 0 that is pressed and released in turn.
        const auto inputs = static_cast<std::uint8_t>(firmware.expander().inputs() ^ 0x01);
        firmware.setExpanderInputs(inputs, nextInput_);
        nextInput_ += kInputPeriodMs;
    }
}

void DemoTraffic::talk(Firmware& firmware, Tick at) {
    const std::uint8_t n = counter_++;
    switch (n % 3) {
        case 0:
            // The other master writes a greeting and a counter to the display.
            firmware.injectTraffic(
                Transfer{at, kDisplay, {0x00, 'H', 'a', 'l', 'l', 'o', n}, true});
            break;
        case 1: {
            // It reads the temperature, as the sensor would answer.
            const Address sensor{static_cast<std::uint8_t>(kThermometerAddress.slave | 0x01),
                                 kThermometerAddress.second};
            std::vector<std::uint8_t> reading = firmware.thermometer().read(2);
            firmware.injectTraffic(Transfer{at, sensor, reading, true});
            break;
        }
        default:
            // A status read of the display that the display does not finish.
            firmware.injectTraffic(Transfer{at, Address{0x75, 0x00}, {n}, n % 2 == 0});
            break;
    }
}

}  // namespace i2ct::sim
