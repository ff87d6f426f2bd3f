#include "sim/firmware.h"

#include <memory>

#include "sim/protocol.h"

namespace i2ct::sim {

namespace {

template <typename T>
T* Attach(Bus& bus, Address address) {
    auto device = std::make_unique<T>();
    T* raw = device.get();
    bus.attach(address, std::move(device));
    return raw;
}

// The StatusCode for a request whose data part has the wrong size.
std::uint8_t LengthFault(std::size_t have, std::size_t want) {
    return have < want ? status::kLengthMissing : status::kTooLong;
}

}  // namespace

Firmware::Firmware() {
    eeprom_ = Attach<Eeprom>(bus_, kEepromAddress);
    thermometer_ = Attach<TemperatureSensor>(bus_, kThermometerAddress);
    expander_ = Attach<PortExpander>(bus_, kExpanderAddress);
    registers_ = Attach<RegisterFile>(bus_, kRegisterFileAddress);
    bus_.onTransfer([this](const Transfer& t) { listener_.observe(t); });
    bus_.onIntFall([this](Tick at) { monitor_.intFell(at); });
}

void Firmware::receive(std::uint8_t byte, Tick now) {
    advance(now);
    received_.push_back({now, byte});
    if (received_.size() > kReceivedLogLength) {
        received_.pop_front();
    }
    if (out_.silent()) {
        return;
    }
    if (listener_.streaming()) {
        listener_.hostByte(byte);
        return;
    }
    handle(parser_.push(byte, now), now);
}

void Firmware::advance(Tick now) {
    // Timers fire in the order of their times, so the answers they queue keep that order.
    for (;;) {
        const std::optional<Tick> frameDue = parser_.deadline();
        const std::optional<Tick> listenDue = listener_.deadline();
        // A listening modem has no time for interrupts; they wait until it is done.
        const std::optional<Tick> interruptDue =
            listener_.busy() ? std::nullopt : monitor_.deadline();
        const std::optional<Tick> next = Earlier(Earlier(frameDue, listenDue), interruptDue);
        if (!next || !Reached(now, *next)) {
            return;
        }
        if (next == frameDue) {
            handle(parser_.expire(*next), *next);
        } else if (next == listenDue) {
            listener_.expire(*next);
        } else {
            monitor_.expire(*next);
        }
    }
}

std::optional<Tick> Firmware::nextEventAt() const {
    std::optional<Tick> next = Earlier(line_.nextAt(), parser_.deadline());
    next = Earlier(next, listener_.deadline());
    if (!listener_.busy()) {
        next = Earlier(next, monitor_.deadline());
    }
    return next;
}

void Firmware::handle(const Parsed& parsed, Tick now) {
    if (const auto* fault = std::get_if<FrameFault>(&parsed)) {
        out_.refuse(fault->at, fault->code);
    } else if (const auto* request = std::get_if<Frame>(&parsed)) {
        carryOut(*request, now);
    }
}

void Firmware::carryOut(const Frame& request, Tick now) {
    switch (request.kind) {
        case request::kVersion:
            out_.frame(now, answer::kModem, {version_.begin(), version_.end()});
            return;
        case request::kPrompt:
            out_.frame(now, answer::kModem, {prompt_});
            return;
        case request::kPullUps:
            pullUps(request, now);
            return;
        case request::kClock:
            clock(request, now);
            return;
        case request::kLineWrite:
            lineWrite(request, now);
            return;
        case request::kLineRead:
            out_.frame(now, answer::kBus, {bus_.lines()});
            return;
        case request::kTransfer:
            transfer(request, now);
            return;
        case request::kFilter:
            listener_.setFilter(request, now);
            return;
        case request::kListen:
            listener_.listen(request, now);
            return;
        case request::kTableLoad:
            monitor_.load(request, now);
            return;
        case request::kTableClear:
            monitor_.clear(now);
            return;
        case request::kMonitoring:
            monitor_.setMonitoring(request, now);
            return;
        default:
            out_.refuse(now, status::kUnknownKind);
            return;
    }
}

void Firmware::pullUps(const Frame& request, Tick now) {
    if (request.data.empty()) {
        out_.frame(now, answer::kConfig, {bus_.pullUps() ? kPullUpsOn : std::uint8_t{0}});
        return;
    }
    if (request.data.size() > 1) {
        out_.refuse(now, status::kTooLong);
        return;
    }
    bus_.setPullUps(request.data[0] != 0);
    out_.frame(now, answer::kConfig);
}

void Firmware::clock(const Frame& request, Tick now) {
    if (request.data.empty()) {
        const std::uint16_t n = bus_.divider();
        out_.frame(now, answer::kConfig,
                   {static_cast<std::uint8_t>(n & 0xFF), static_cast<std::uint8_t>(n >> 8)});
        return;
    }
    if (request.data.size() != 2) {
        out_.refuse(now, LengthFault(request.data.size(), 2));
        return;
    }
    bus_.setDivider(static_cast<std::uint16_t>(request.data[0] | (request.data[1] << 8)));
    out_.frame(now, answer::kConfig);
}

void Firmware::lineWrite(const Frame& request, Tick now) {
    if (request.data.size() != 1) {
        out_.refuse(now, LengthFault(request.data.size(), 1));
        return;
    }
    bus_.drive(request.data[0], now);
    out_.frame(now, answer::kBus);
}

void Firmware::transfer(const Frame& request, Tick now) {
    if (request.data.size() < 2) {
        out_.refuse(now, status::kLengthMissing);
        return;
    }
    const Address address{request.data[0], request.data[1]};
    if (!address.isRead()) {
        const BusResult done = bus_.write(address, std::span(request.data).subspan(2), now);
        if (done.status != 0) {
            out_.refuse(now + done.durationMs, done.status);
        } else {
            out_.frame(now + done.durationMs, answer::kBus);
        }
        return;
    }
    if (request.data.size() != 3) {
        out_.refuse(now, LengthFault(request.data.size(), 3));
        return;
    }
    const std::size_t count = request.data[2];
    if (count > kMaxFrameData) {
        // The answer could not carry that many bytes.
        out_.refuse(now, status::kTooLong);
        return;
    }
    const BusResult done = bus_.read(address, count, now);
    if (done.status != 0) {
        out_.refuse(now + done.durationMs, done.status);
    } else {
        out_.frame(now + done.durationMs, answer::kBus, done.data);
    }
}

void Firmware::injectTraffic(const Transfer& transfer) {
    bus_.inject(transfer);
}

void Firmware::setExpanderInputs(std::uint8_t inputs, Tick now) {
    expander_->setInputs(inputs);
    bus_.devicesChanged(now);
}

void Firmware::powerCycle() {
    line_.clear();
    parser_.reset();
    listener_.reset();
    monitor_.reset();
    bus_.reset();
}

}  // namespace i2ct::sim
