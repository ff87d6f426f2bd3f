#include "sim/interrupts.h"

#include <algorithm>

#include "sim/protocol.h"

namespace i2ct::sim {

void InterruptMonitor::load(const Frame& request, Tick now) {
    if (monitoring_) {
        out_.refuse(now, status::kTableLocked);
        return;
    }
    if (request.data.size() != 3) {
        out_.refuse(now, status::kTableIncomplete);
        return;
    }
    const TableEntry entry{Address{request.data[0], request.data[1]}, request.data[2]};
    if (!entry.address.isRead()) {
        out_.refuse(now, status::kWriteAddressInTable);
        return;
    }
    if (entry.count > kMaxReads) {
        out_.refuse(now, status::kTooManyReads);
        return;
    }
    const auto same = std::find_if(table_.begin(), table_.end(),
                                   [&](const TableEntry& e) { return e.address == entry.address; });
    if (same != table_.end()) {
        same->count = entry.count;
    } else if (table_.size() == kTableSize) {
        out_.refuse(now, status::kTableFull);
        return;
    } else {
        table_.push_back(entry);
    }
    out_.frame(now, answer::kEvent);
}

void InterruptMonitor::clear(Tick now) {
    if (monitoring_) {
        out_.refuse(now, status::kTableLocked);
        return;
    }
    table_.clear();
    out_.frame(now, answer::kEvent);
}

void InterruptMonitor::setMonitoring(const Frame& request, Tick now) {
    if (request.data.size() != 1 || request.data[0] > 1) {
        out_.refuse(now, status::kMonitoringFailed);
        return;
    }
    const bool on = request.data[0] == 1;
    if (on && table_.empty()) {
        out_.refuse(now, status::kTableEmpty);
        return;
    }
    out_.frame(now, answer::kEvent);
    if (on && !monitoring_ && bus_.intLow()) {
        // A source that pulled INT before monitoring began is still waiting for attention.
        pending_ = now;
    }
    monitoring_ = on;
    if (!on) {
        pending_.reset();
    }
}

void InterruptMonitor::intFell(Tick at) {
    if (monitoring_ && !pending_) {
        pending_ = at;
    }
}

void InterruptMonitor::expire(Tick now) {
    if (!pending_ || !Reached(now, *pending_)) {
        return;
    }
    const Tick at = *pending_;
    pending_.reset();
    out_.frame(at, answer::kInterrupt);
    const auto source = std::find_if(table_.begin(), table_.end(), [&](const TableEntry& e) {
        const Device* device = bus_.find(e.address);
        return device != nullptr && device->pullsInt();
    });
    if (source == table_.end()) {
        out_.refuse(at + kEventGapMs, status::kSourceNotInTable);
        return;
    }
    const BusResult read = bus_.read(source->address, source->count, at);
    const Tick done = at + kEventGapMs + read.durationMs;
    if (read.status != 0) {
        out_.refuse(done, read.status);
        return;
    }
    // Reserved first: GCC 12's optimiser wrongly warns that an insert behind a two-byte
    // initializer list writes past its end.
    std::vector<std::uint8_t> data;
    data.reserve(2 + read.data.size());
    data.push_back(source->address.slave);
    data.push_back(source->address.second);
    data.insert(data.end(), read.data.begin(), read.data.end());
    out_.frame(done, answer::kEvent, data);
}

void InterruptMonitor::reset() {
    table_.clear();
    monitoring_ = false;
    pending_.reset();
}

}  // namespace i2ct::sim
