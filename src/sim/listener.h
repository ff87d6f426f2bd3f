#pragma once
// Listening: the filter address, the timed watch that answers once at its end, and the
// open-ended stream of raw bytes that runs until the host sends the stop byte.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/clock.h"
#include "sim/bus.h"
#include "sim/frame_parser.h"
#include "sim/outbox.h"

namespace i2ct::sim {

class Listener {
  public:
    // One unit of the listening time.
    static constexpr std::uint32_t kTimeUnitMs = 52;
    // The stream goes out in blocks of this many bytes.
    static constexpr std::size_t kBlockSize = 16;

    explicit Listener(Transmitter& out) : out_(out) {}

    // Request 0x41: d0 the slave address byte, d1 the second address byte.
    void setFilter(const Frame& request, Tick now);
    // Request 0x42: d0 the listening time, 0 for the open-ended stream.
    void listen(const Frame& request, Tick now);
    // Every transfer on the bus. A transfer matches the filter when it goes to the same device,
    // whichever way; what is reported carries its own read/write bit.
    void observe(const Transfer& transfer);
    // A byte from the host while the stream runs: the stop byte ends it, others are ignored.
    void hostByte(std::uint8_t byte);

    bool streaming() const { return streaming_; }
    // A watch or the stream is running; the modem has no time for anything else on the bus.
    bool busy() const { return streaming_ || windowEnd_.has_value(); }
    std::optional<Address> filter() const { return filter_; }

    // The end of the timed watch.
    std::optional<Tick> deadline() const { return windowEnd_; }
    void expire(Tick now);
    void reset();

  private:
    bool matches(const Transfer& transfer) const;

    Transmitter& out_;
    std::optional<Address> filter_;
    std::optional<Tick> windowEnd_;
    std::optional<Transfer> caught_;
    bool streaming_ = false;
    std::vector<std::uint8_t> block_;
};

}  // namespace i2ct::sim
