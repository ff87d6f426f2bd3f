#pragma once
// The simulated modem's firmware: it takes the host's bytes one at a time, carries out each
// request Frame on its bus, and queues its answers with the time they leave. Time enters only
// through the `now` arguments, so the same model runs on a real clock or on virtual time.

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>

#include "platform/clock.h"
#include "platform/modem_description.h"
#include "sim/bus.h"
#include "sim/devices.h"
#include "sim/frame_parser.h"
#include "sim/interrupts.h"
#include "sim/listener.h"
#include "sim/outbox.h"

namespace i2ct::sim {

// Where the standard devices sit on the bus.
inline constexpr Address kEepromAddress{0xA0, 0x00};
inline constexpr Address kThermometerAddress{0x90, 0x00};
inline constexpr Address kExpanderAddress{0x40, 0x00};
inline constexpr Address kRegisterFileAddress{0x72, 0x00};

class Firmware {
  public:
    static constexpr std::size_t kReceivedLogLength = 65536;

    Firmware();
    Firmware(const Firmware&) = delete;
    Firmware& operator=(const Firmware&) = delete;

    // One byte from the host, received at `now`.
    void receive(std::uint8_t byte, Tick now);
    // Lets everything that falls due by `now` happen: Frame timeouts, the end of a listening
    // window, an interrupt. Idempotent for the same `now`.
    void advance(Tick now);
    // The earliest moment at which a byte leaves or the firmware has something to decide.
    std::optional<Tick> nextEventAt() const;
    // The bytes the modem sends. Call advance(now) before reading what is due by `now`.
    Outbox& output() { return line_; }

    // The three version digits (2, 2, 0 is shown as 2.20) and the prompt character.
    void setVersion(std::uint8_t d0, std::uint8_t d1, std::uint8_t d2) { version_ = {d0, d1, d2}; }
    std::array<std::uint8_t, 3> version() const { return version_; }
    void setPrompt(std::uint8_t prompt) { prompt_ = prompt; }
    std::uint8_t prompt() const { return prompt_; }
    // How long the modem takes to answer.
    void setLatency(std::uint32_t ms) { out_.setLatency(ms); }
    std::uint32_t latency() const { return out_.latency(); }
    // A silent modem drops what it receives and sends nothing.
    void setSilent(bool silent) { out_.setSilent(silent); }
    bool silent() const { return out_.silent(); }
    // One of the next Frames goes wrong (see Fault).
    void strike(Fault fault, unsigned skip = 0, std::uint32_t lateMs = 0) {
        out_.strike(fault, skip, lateMs);
    }
    // Raw bytes that leave at `now`, silent or not.
    void sendNoise(std::span<const std::uint8_t> bytes, Tick now) { out_.noise(now, bytes); }

    // Another master's transfer on the bus, seen by listening.
    void injectTraffic(const Transfer& transfer);
    // Sets the port expander's input pins; a change raises its INT.
    void setExpanderInputs(std::uint8_t inputs, Tick now);
    // Pulls INT for a moment from a source that no table entry belongs to.
    void pulseInterrupt(Tick now) { bus_.pulseInt(now); }

    Bus& bus() { return bus_; }
    const Bus& bus() const { return bus_; }
    Eeprom& eeprom() { return *eeprom_; }
    TemperatureSensor& thermometer() { return *thermometer_; }
    PortExpander& expander() { return *expander_; }
    RegisterFile& registers() { return *registers_; }
    const Listener& listener() const { return listener_; }
    const InterruptMonitor& interrupts() const { return monitor_; }

    // Every byte received from the host (up to the latest kReceivedLogLength), with its time.
    const std::deque<TimedByte>& received() const { return received_; }
    void clearReceived() { received_.clear(); }

    // Unplug and plug in again: bytes in flight are lost, the modem's own settings (filter,
    // table, monitoring, lines, pull-ups, clock) return to their power-up values. The version,
    // the prompt, the latency and the devices stay as they were set.
    void powerCycle();

  private:
    void handle(const Parsed& parsed, Tick now);
    void carryOut(const Frame& request, Tick now);
    void pullUps(const Frame& request, Tick now);
    void clock(const Frame& request, Tick now);
    void lineWrite(const Frame& request, Tick now);
    void transfer(const Frame& request, Tick now);

    Outbox line_;
    Transmitter out_{line_};
    FrameParser parser_;
    Bus bus_;
    Listener listener_{out_};
    InterruptMonitor monitor_{bus_, out_};
    Eeprom* eeprom_ = nullptr;
    TemperatureSensor* thermometer_ = nullptr;
    PortExpander* expander_ = nullptr;
    RegisterFile* registers_ = nullptr;
    std::array<std::uint8_t, 3> version_{2, 2, 0};
    std::uint8_t prompt_ = '#';
    std::deque<TimedByte> received_;
};

}  // namespace i2ct::sim
