#pragma once
// The interrupt source table and interrupt monitoring: while monitoring is on, a fall of the INT
// line makes the modem read the table entry of the device that pulled it and report what it
// read, unasked.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/clock.h"
#include "sim/bus.h"
#include "sim/frame_parser.h"
#include "sim/outbox.h"

namespace i2ct::sim {

struct TableEntry {
    Address address;  // a read address
    std::uint8_t count = 0;
};

class InterruptMonitor {
  public:
    static constexpr std::size_t kTableSize = 16;
    static constexpr std::uint8_t kMaxReads = 4;
    // The event Frame follows the notification after this pause, plus the time of the read.
    static constexpr std::uint32_t kEventGapMs = 5;

    InterruptMonitor(Bus& bus, Transmitter& out) : bus_(bus), out_(out) {}

    // Request 0x43: d0 a read address byte, d1 the second address byte, d2 the read count. An
    // entry for an address already in the table takes its place.
    void load(const Frame& request, Tick now);
    // Request 0x44.
    void clear(Tick now);
    // Request 0x45: d0 1 on, 0 off.
    void setMonitoring(const Frame& request, Tick now);
    // INT fell. Only counts while monitoring is on.
    void intFell(Tick at);

    bool monitoring() const { return monitoring_; }
    const std::vector<TableEntry>& table() const { return table_; }

    // The interrupt that waits to be handled.
    std::optional<Tick> deadline() const { return pending_; }
    // Sends the notification 4F 00 04, then the event Frame 4A N lo hi data… for the first table
    // entry whose device pulls INT, or 49 01 4D 04 when none does.
    void expire(Tick now);
    void reset();

  private:
    Bus& bus_;
    Transmitter& out_;
    std::vector<TableEntry> table_;
    bool monitoring_ = false;
    std::optional<Tick> pending_;
};

}  // namespace i2ct::sim
