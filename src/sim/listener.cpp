#include "sim/listener.h"

#include <algorithm>

#include "sim/protocol.h"

namespace i2ct::sim {

void Listener::setFilter(const Frame& request, Tick now) {
    if (request.data.size() != 2) {
        out_.refuse(now, status::kNoFilter);
        return;
    }
    filter_ = Address{request.data[0], request.data[1]};
    out_.frame(now, answer::kConfig);
}

void Listener::listen(const Frame& request, Tick now) {
    if (request.data.size() != 1) {
        out_.refuse(now, status::kBadListenTime);
        return;
    }
    if (!filter_) {
        out_.refuse(now, status::kNoFilter);
        return;
    }
    const std::uint8_t time = request.data[0];
    caught_.reset();
    if (time == 0) {
        windowEnd_.reset();
        streaming_ = true;
        block_.clear();
        out_.frame(now, answer::kEvent);
        return;
    }
    windowEnd_ = now + time * kTimeUnitMs;
}

bool Listener::matches(const Transfer& transfer) const {
    return filter_ && transfer.address.device() == filter_->device();
}

void Listener::observe(const Transfer& transfer) {
    if (!matches(transfer)) {
        return;
    }
    if (windowEnd_ && !caught_) {
        caught_ = transfer;
    }
    if (!streaming_) {
        return;
    }
    block_.push_back(transfer.address.slave);
    block_.insert(block_.end(), transfer.data.begin(), transfer.data.end());
    std::size_t sent = 0;
    while (block_.size() - sent >= kBlockSize) {
        out_.raw(transfer.at, std::span(block_).subspan(sent, kBlockSize));
        sent += kBlockSize;
    }
    block_.erase(block_.begin(), block_.begin() + static_cast<std::ptrdiff_t>(sent));
}

void Listener::hostByte(std::uint8_t byte) {
    if (byte == kEndByte) {
        // What has not filled a block stays unsent.
        streaming_ = false;
        block_.clear();
    }
}

void Listener::expire(Tick now) {
    if (!windowEnd_ || !Reached(now, *windowEnd_)) {
        return;
    }
    const Tick end = *windowEnd_;
    windowEnd_.reset();
    if (!caught_) {
        out_.refuse(end, status::kNothingHeard);
        return;
    }
    const std::size_t room = kMaxFrameData - 2;
    const bool truncated = caught_->data.size() > room;
    const std::size_t n = std::min(room, caught_->data.size());
    // Reserved first: GCC 12's optimiser wrongly warns that an insert behind a two-byte
    // initializer list writes past its end.
    std::vector<std::uint8_t> data;
    data.reserve(2 + n);
    data.push_back(caught_->address.second);
    data.push_back(caught_->address.slave);
    data.insert(data.end(), caught_->data.begin(),
                caught_->data.begin() + static_cast<std::ptrdiff_t>(n));
    const bool complete = caught_->complete && !truncated;
    out_.frame(end, complete ? answer::kEvent : answer::kIncomplete, data);
    caught_.reset();
}

void Listener::reset() {
    filter_.reset();
    windowEnd_.reset();
    caught_.reset();
    streaming_ = false;
    block_.clear();
}

}  // namespace i2ct::sim
