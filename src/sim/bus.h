#pragma once
// The simulated I2C bus behind the modem: the devices by address, their acknowledgement and
// clock stretching, the bus clock, the pull-ups, the three lines SDA, SCL and INT, and the
// record of every transfer on it.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <vector>

#include "platform/clock.h"
#include "sim/devices.h"

namespace i2ct::sim {

// The two address bytes as the Frames carry them: the slave address byte with the read/write
// bit in bit 0 (1 = read), and the second address byte.
struct Address {
    std::uint8_t slave = 0;
    std::uint8_t second = 0;

    bool isRead() const { return (slave & 0x01) != 0; }
    // The device the address selects, whatever its read/write bit says.
    std::uint16_t device() const {
        return static_cast<std::uint16_t>((second << 8) | (slave & 0xFE));
    }
    bool operator==(const Address&) const = default;
};

// One transfer as a listener on the bus sees it.
struct Transfer {
    Tick at = 0;
    Address address;
    std::vector<std::uint8_t> data;
    bool complete = true;  // false when it broke off: no acknowledge, a stretch timeout, ...
};

struct BusResult {
    std::uint8_t status = 0;  // 0 on success, otherwise the StatusCode that refuses it
    std::uint32_t durationMs = 0;
    std::vector<std::uint8_t> data;  // the bytes read
};

// Bits of the line-state byte; a set bit means the line is high.
inline constexpr std::uint8_t kSda = 0x01;
inline constexpr std::uint8_t kScl = 0x02;
inline constexpr std::uint8_t kInt = 0x04;
// Bit 7 of the pull-up state byte: the pull-ups are on.
inline constexpr std::uint8_t kPullUpsOn = 0x80;

class Bus {
  public:
    // 2,500,000 / (18 + 7) Hz = 100 kHz.
    static constexpr std::uint16_t kDefaultDivider = 18;
    // How long the modem lets a device hold SCL low before it gives up the transfer.
    static constexpr std::uint32_t kStretchLimitMs = 25;
    static constexpr std::size_t kHistoryLength = 256;

    // Puts a device on the bus at the address that `address` selects.
    void attach(Address address, std::unique_ptr<Device> device);
    Device* find(Address address) const;
    // A device that no longer acknowledges, or one that stretches the clock past the modem's
    // limit. False when no device answers at that address.
    bool setNak(Address address, bool on);
    bool setStretch(Address address, bool on);

    BusResult write(Address address, std::span<const std::uint8_t> data, Tick now);
    BusResult read(Address address, std::size_t count, Tick now);
    // A transfer by another master on the bus. Only listeners see it; the devices are left
    // alone, as they would be had it gone to a device this bus does not simulate.
    void inject(const Transfer& transfer);
    // The latest transfers, oldest first.
    const std::deque<Transfer>& history() const { return history_; }

    // The line-state byte: a line is high unless the host or a device pulls it low.
    std::uint8_t lines() const;
    // The levels the host drives; only SDA, SCL and INT exist.
    void drive(std::uint8_t levels, Tick now);
    std::uint8_t driven() const { return hostLevels_; }
    bool intLow() const;
    // Something the modem has no table entry for pulls INT low for a moment.
    void pulseInt(Tick now);
    // To be called after a device changed by itself (an input moved), so INT follows it.
    void devicesChanged(Tick now);

    bool pullUps() const { return pullUps_; }
    void setPullUps(bool on) { pullUps_ = on; }
    std::uint16_t divider() const { return divider_; }
    void setDivider(std::uint16_t divider) { divider_ = divider; }
    std::uint32_t clockHz() const { return 2'500'000u / (divider_ + 7u); }
    // The time that `bytes` bytes of nine clocks each take on the bus, in whole milliseconds;
    // what is left of a millisecond goes to the next transfer.
    std::uint32_t transferMs(std::size_t bytes);

    // Power-up values of the modem's own settings; the devices keep their state.
    void reset();

    // Every transfer, the host's and the injected ones.
    void onTransfer(std::function<void(const Transfer&)> observer) {
        transferObserver_ = std::move(observer);
    }
    // Each time INT goes low (or is pulsed).
    void onIntFall(std::function<void(Tick)> observer) { intObserver_ = std::move(observer); }

  private:
    struct Slot {
        std::unique_ptr<Device> device;
        bool nak = false;
        bool stretch = false;
    };
    Slot* slot(Address address);
    void record(const Transfer& transfer);
    void updateInt(Tick now);
    BusResult refuse(const Slot* slot, Address address, Tick now);

    std::map<std::uint16_t, Slot> slots_;
    std::deque<Transfer> history_;
    std::uint8_t hostLevels_ = kSda | kScl | kInt;
    bool intWasLow_ = false;
    bool pullUps_ = true;
    std::uint16_t divider_ = kDefaultDivider;
    std::uint64_t carriedNs_ = 0;
    std::function<void(const Transfer&)> transferObserver_;
    std::function<void(Tick)> intObserver_;
};

}  // namespace i2ct::sim
