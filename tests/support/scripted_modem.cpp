#include "scripted_modem.h"

namespace i2ct::test {

void ScriptedModem::inject(Tick t, const Bytes& bytes) {
    for (std::uint8_t b : bytes) {
        pending_.emplace(t, b);
    }
}

void ScriptedModem::write(std::uint8_t byte) {
    if (unplugged) {
        return;
    }
    written_.push_back(byte);
    partial_.push_back(byte);
    // A lone end byte is LISTEN's stop byte, a request of its own.
    std::size_t total = 1;
    if (partial_[0] != 0x04) {
        if (partial_.size() < 2) {
            return;
        }
        const int length = static_cast<std::int8_t>(partial_[1]);
        total = static_cast<std::size_t>(length > 0 ? length : 0) + 3;
    }
    if (partial_.size() < total) {
        return;
    }
    frames_.push_back(partial_);
    Bytes frame = std::move(partial_);
    partial_.clear();
    if (responder) {
        inject(clock_.ticks() + latencyMs, responder(frame));
    }
}

std::size_t ScriptedModem::waiting() {
    if (unplugged) {
        return 0;
    }
    const Tick now = clock_.ticks();
    std::size_t n = 0;
    for (auto it = pending_.begin(); it != pending_.end() && it->first <= now; ++it) {
        ++n;
    }
    return n;
}

std::optional<std::uint8_t> ScriptedModem::read() {
    if (unplugged || pending_.empty() || pending_.begin()->first > clock_.ticks() + 110) {
        clock_.sleep(110);
        return std::nullopt;
    }
    const Tick due = pending_.begin()->first;
    if (due > clock_.ticks()) {
        clock_.sleep(due - clock_.ticks());
    }
    const std::uint8_t b = pending_.begin()->second;
    pending_.erase(pending_.begin());
    return b;
}

std::vector<Text> FakeDriver::deviceDescriptions() {
    std::vector<Text> all;
    for (const Device& d : devices_) {
        all.push_back(d.description);
    }
    return all;
}

std::optional<int> FakeDriver::open(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= devices_.size() ||
        !devices_[static_cast<std::size_t>(index)].opens) {
        return std::nullopt;
    }
    return index;
}

Text FakeDriver::portName(int handle) {
    return devices_[static_cast<std::size_t>(handle)].port;
}

std::unique_ptr<SerialPort> FakeSerialPorts::open(const Text& definition) {
    definitions.push_back(definition);
    const Text name = definition.substr(0, definition.find(':'));
    auto it = modems.find(name);
    if (it == modems.end()) {
        return nullptr;
    }
    return std::make_unique<ScriptedPort>(*it->second);
}

}  // namespace i2ct::test
