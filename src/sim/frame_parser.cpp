#include "sim/frame_parser.h"

#include "sim/outbox.h"
#include "sim/protocol.h"

namespace i2ct::sim {

Parsed FrameParser::push(std::uint8_t byte, Tick now) {
    const Tick previous = last_;
    last_ = now;
    switch (state_) {
        case State::Discard:
            if (!Reached(now, previous + kResyncGapMs)) {
                return {};
            }
            state_ = State::Idle;
            [[fallthrough]];
        case State::Idle:
            // A lone end byte between Frames is a late stop byte of listening, not a request.
            if (byte != kEndByte) {
                frame_ = Frame{byte, {}};
                state_ = State::Length;
            }
            return {};
        case State::Length:
            if (byte > kMaxFrameData) {
                return fault(status::kTooLong, now, State::Discard);
            }
            expected_ = byte;
            state_ = expected_ == 0 ? State::End : State::Data;
            return {};
        case State::Data:
            frame_.data.push_back(byte);
            if (frame_.data.size() == expected_) {
                state_ = State::End;
            }
            return {};
        case State::End:
            if (byte != kEndByte) {
                return fault(status::kWrongEnd, now, State::Discard);
            }
            state_ = State::Idle;
            return std::move(frame_);
    }
    return {};
}

Parsed FrameParser::expire(Tick now) {
    const std::optional<Tick> due = deadline();
    if (!due || !Reached(now, *due)) {
        return {};
    }
    switch (state_) {
        // The line has been quiet for the whole timeout already: nothing is left to drop.
        case State::Length:
            return fault(status::kLengthMissing, *due, State::Idle);
        case State::Data:
        case State::End:
            return fault(status::kEndMissing, *due, State::Idle);
        case State::Idle:
        case State::Discard:
            break;
    }
    state_ = State::Idle;
    return {};
}

std::optional<Tick> FrameParser::deadline() const {
    switch (state_) {
        case State::Idle:
            return std::nullopt;
        case State::Discard:
            return last_ + kResyncGapMs;
        case State::Length:
        case State::Data:
        case State::End:
            break;
    }
    return last_ + kByteTimeoutMs;
}

void FrameParser::reset() {
    state_ = State::Idle;
    frame_ = {};
    expected_ = 0;
}

Parsed FrameParser::fault(std::uint8_t code, Tick at, State next) {
    frame_ = {};
    state_ = next;
    last_ = at;
    return FrameFault{code, at};
}

}  // namespace i2ct::sim
