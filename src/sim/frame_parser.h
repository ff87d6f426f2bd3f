#pragma once
// Assembles the host's bytes into request Frames (kind, length N, N data bytes, end byte 0x04)
// one byte at a time, as the firmware's receive interrupt would, and tells broken Frames apart.

#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

#include "platform/clock.h"

namespace i2ct::sim {

struct Frame {
    std::uint8_t kind = 0;
    std::vector<std::uint8_t> data;
};

// A Frame that cannot be carried out, with the StatusCode that says why and the moment the
// firmware noticed.
struct FrameFault {
    std::uint8_t code;
    Tick at;
};

using Parsed = std::variant<std::monostate, Frame, FrameFault>;

class FrameParser {
  public:
    // A Frame that stops for this long is broken: the host sends its bytes back to back.
    static constexpr std::uint32_t kByteTimeoutMs = 50;
    // After a fault the rest of the burst is dropped: bytes that follow the one before within
    // this gap. So the tail of an over-long Frame is not taken for a new request, while a host
    // that waits for the refusal before it goes on is heard again.
    static constexpr std::uint32_t kResyncGapMs = 2;

    // One byte from the host. Call expire(now) first, so that a timed-out Frame is reported
    // before the byte starts a new one.
    Parsed push(std::uint8_t byte, Tick now);
    // Turns a Frame that has waited past its timeout into a fault (length missing: code 4; data
    // or end byte missing: code 6).
    Parsed expire(Tick now);
    // When expire() will next have something to do.
    std::optional<Tick> deadline() const;
    void reset();

  private:
    enum class State { Idle, Length, Data, End, Discard };
    Parsed fault(std::uint8_t code, Tick at, State next);

    State state_ = State::Idle;
    Frame frame_;
    std::size_t expected_ = 0;
    Tick last_ = 0;
};

}  // namespace i2ct::sim
