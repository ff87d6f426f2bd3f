#pragma once
// The modem's transmit line: bytes queued with the time they leave, read out in wire order, and
// the transmitter that puts the firmware's Frames on it.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

#include "platform/clock.h"

namespace i2ct::sim {

// True once `now` has reached `t`. Tick counts wrap, so only the difference counts.
inline bool Reached(Tick now, Tick t) {
    return static_cast<std::int32_t>(now - t) >= 0;
}
// The earlier of two times that may be unknown.
std::optional<Tick> Earlier(std::optional<Tick> a, std::optional<Tick> b);

struct TimedByte {
    Tick at;
    std::uint8_t value;
};

class Outbox {
  public:
    // Queues bytes that leave at `at`, but never ahead of bytes queued before them: the line
    // keeps its order, whatever was decided first.
    void send(Tick at, std::span<const std::uint8_t> bytes);
    // How many bytes have left by `now`.
    std::size_t due(Tick now) const;
    std::optional<std::uint8_t> take(Tick now);
    std::optional<Tick> nextAt() const;
    std::size_t size() const { return queue_.size(); }
    void clear();

  private:
    std::deque<TimedByte> queue_;
    std::optional<Tick> last_;
};

// What can go wrong with one Frame of the modem: it is dropped, leaves late, is replaced by
// garbage (F0 0F 55), loses its end byte, has bit 7 of its length set, or carries one data byte
// more than its request asked for.
enum class Fault { None, Silent, Late, Garbage, Short, Long, More };

// Answers leave one latency after the firmware decided them, and not at all while the modem
// plays dead.
class Transmitter {
  public:
    static constexpr std::uint32_t kDefaultLatencyMs = 2;

    explicit Transmitter(Outbox& line) : line_(line) {}

    void setLatency(std::uint32_t ms) { latency_ = ms; }
    std::uint32_t latency() const { return latency_; }
    void setSilent(bool silent) { silent_ = silent; }
    bool silent() const { return silent_; }

    // Arms a fault for one Frame: the one after `skip` others. Late Frames leave lateMs later.
    void strike(Fault fault, unsigned skip = 0, std::uint32_t lateMs = 0);
    Fault fault() const { return fault_; }

    // A Frame: kind, length, data, end byte.
    void frame(Tick at, std::uint8_t kind, const std::vector<std::uint8_t>& data = {});
    // The refusal 49 01 code 04.
    void refuse(Tick at, std::uint8_t code);
    // Bytes outside any Frame, such as the listening stream.
    void raw(Tick at, std::span<const std::uint8_t> bytes);
    // Bytes that leave at once even from a silent modem: line noise on demand.
    void noise(Tick at, std::span<const std::uint8_t> bytes);

  private:
    Outbox& line_;
    std::uint32_t latency_ = kDefaultLatencyMs;
    bool silent_ = false;
    Fault fault_ = Fault::None;
    unsigned skip_ = 0;
    std::uint32_t lateMs_ = 0;
};

}  // namespace i2ct::sim
