#include "sim/bus.h"

#include "sim/protocol.h"

namespace i2ct::sim {

void Bus::attach(Address address, std::unique_ptr<Device> device) {
    slots_[address.device()] = Slot{std::move(device)};
}

Device* Bus::find(Address address) const {
    const auto it = slots_.find(address.device());
    return it == slots_.end() ? nullptr : it->second.device.get();
}

Bus::Slot* Bus::slot(Address address) {
    const auto it = slots_.find(address.device());
    return it == slots_.end() ? nullptr : &it->second;
}

bool Bus::setNak(Address address, bool on) {
    Slot* s = slot(address);
    if (s == nullptr) {
        return false;
    }
    s->nak = on;
    return true;
}

bool Bus::setStretch(Address address, bool on) {
    Slot* s = slot(address);
    if (s == nullptr) {
        return false;
    }
    s->stretch = on;
    return true;
}

std::uint32_t Bus::transferMs(std::size_t bytes) {
    // One bit takes (divider + 7) × 400 ns. The simulator counts whole milliseconds; carrying
    // the rest of one to the next transfer keeps the sum of many short transfers what the bus
    // would take, where rounding each up would make an 8-byte read at 350 kHz (0.23 ms) cost 1 ms.
    const std::uint64_t nanoseconds =
        carriedNs_ + std::uint64_t{bytes} * 9u * (divider_ + 7u) * 400u;
    carriedNs_ = nanoseconds % 1'000'000u;
    return static_cast<std::uint32_t>(nanoseconds / 1'000'000u);
}

BusResult Bus::refuse(const Slot* s, Address address, Tick now) {
    // Only the address byte went out before the transfer broke off.
    record(Transfer{now, address, {}, false});
    if (s != nullptr && !s->nak && s->stretch) {
        return {status::kStretchTimeout, transferMs(1) + kStretchLimitMs, {}};
    }
    return {status::kNak, transferMs(1), {}};
}

BusResult Bus::write(Address address, std::span<const std::uint8_t> data, Tick now) {
    Slot* s = slot(address);
    if (s == nullptr || s->nak || s->stretch) {
        return refuse(s, address, now);
    }
    s->device->write(data);
    record(Transfer{now, address, {data.begin(), data.end()}, true});
    updateInt(now);
    return {0, transferMs(1 + data.size()), {}};
}

BusResult Bus::read(Address address, std::size_t count, Tick now) {
    Slot* s = slot(address);
    if (s == nullptr || s->nak || s->stretch) {
        return refuse(s, address, now);
    }
    BusResult result{0, transferMs(1 + count), s->device->read(count)};
    record(Transfer{now, address, result.data, true});
    updateInt(now);
    return result;
}

void Bus::inject(const Transfer& transfer) {
    record(transfer);
}

void Bus::record(const Transfer& transfer) {
    history_.push_back(transfer);
    if (history_.size() > kHistoryLength) {
        history_.pop_front();
    }
    if (transferObserver_) {
        transferObserver_(transfer);
    }
}

bool Bus::intLow() const {
    if ((hostLevels_ & kInt) == 0) {
        return true;
    }
    for (const auto& [address, s] : slots_) {
        if (s.device->pullsInt()) {
            return true;
        }
    }
    return false;
}

std::uint8_t Bus::lines() const {
    const auto levels = static_cast<std::uint8_t>(hostLevels_ & (kSda | kScl));
    return intLow() ? levels : static_cast<std::uint8_t>(levels | kInt);
}

void Bus::drive(std::uint8_t levels, Tick now) {
    hostLevels_ = static_cast<std::uint8_t>(levels & (kSda | kScl | kInt));
    updateInt(now);
}

void Bus::pulseInt(Tick now) {
    if (!intLow() && intObserver_) {
        intObserver_(now);
    }
}

void Bus::devicesChanged(Tick now) {
    updateInt(now);
}

void Bus::updateInt(Tick now) {
    const bool low = intLow();
    if (low && !intWasLow_ && intObserver_) {
        intObserver_(now);
    }
    intWasLow_ = low;
}

void Bus::reset() {
    hostLevels_ = kSda | kScl | kInt;
    intWasLow_ = intLow();
    pullUps_ = true;
    divider_ = kDefaultDivider;
}

}  // namespace i2ct::sim
