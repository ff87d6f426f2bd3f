#include "sim/outbox.h"

#include <utility>

#include "sim/protocol.h"

namespace i2ct::sim {

std::optional<Tick> Earlier(std::optional<Tick> a, std::optional<Tick> b) {
    if (!a) {
        return b;
    }
    if (!b) {
        return a;
    }
    return Reached(*b, *a) ? a : b;
}

void Outbox::send(Tick at, std::span<const std::uint8_t> bytes) {
    if (last_ && !Reached(at, *last_)) {
        at = *last_;
    }
    for (const std::uint8_t b : bytes) {
        queue_.push_back({at, b});
    }
    if (!bytes.empty()) {
        last_ = at;
    }
}

std::size_t Outbox::due(Tick now) const {
    std::size_t n = 0;
    while (n < queue_.size() && Reached(now, queue_[n].at)) {
        ++n;
    }
    return n;
}

std::optional<std::uint8_t> Outbox::take(Tick now) {
    if (queue_.empty() || !Reached(now, queue_.front().at)) {
        return std::nullopt;
    }
    const std::uint8_t b = queue_.front().value;
    queue_.pop_front();
    return b;
}

std::optional<Tick> Outbox::nextAt() const {
    if (queue_.empty()) {
        return std::nullopt;
    }
    return queue_.front().at;
}

void Outbox::clear() {
    queue_.clear();
    last_.reset();
}

void Transmitter::strike(Fault fault, unsigned skip, std::uint32_t lateMs) {
    fault_ = fault;
    skip_ = skip;
    lateMs_ = lateMs;
}

void Transmitter::frame(Tick at, std::uint8_t kind, const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(data.size() + 4);
    bytes.push_back(kind);
    bytes.push_back(static_cast<std::uint8_t>(data.size()));
    bytes.insert(bytes.end(), data.begin(), data.end());
    bytes.push_back(kEndByte);
    Fault fault = Fault::None;
    if (fault_ != Fault::None && skip_-- == 0) {
        fault = std::exchange(fault_, Fault::None);
    }
    switch (fault) {
        case Fault::Silent:
            return;
        case Fault::Late:
            at += lateMs_;
            break;
        case Fault::Garbage:
            bytes = {0xF0, 0x0F, 0x55};
            break;
        case Fault::Short:
            bytes.pop_back();
            break;
        case Fault::Long:
            bytes[1] |= 0x80;
            break;
        case Fault::More:
            bytes.insert(bytes.end() - 1, 0x00);
            ++bytes[1];
            break;
        case Fault::None:
            break;
    }
    raw(at, bytes);
}

void Transmitter::refuse(Tick at, std::uint8_t code) {
    frame(at, answer::kRefusal, {code});
}

void Transmitter::raw(Tick at, std::span<const std::uint8_t> bytes) {
    if (!silent_) {
        line_.send(at + latency_, bytes);
    }
}

void Transmitter::noise(Tick at, std::span<const std::uint8_t> bytes) {
    line_.send(at, bytes);
}

}  // namespace i2ct::sim
