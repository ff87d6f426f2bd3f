#include "sim/control.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <sstream>
#include <vector>

namespace i2ct::sim {

namespace {

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) {
            ++i;
        }
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') {
            ++i;
        }
        if (i > start) {
            words.push_back(line.substr(start, i - start));
        }
    }
    return words;
}

// The whole word as a number, or nothing.
template <typename T, typename... Base>
std::optional<T> Number(std::string_view word, Base... base) {
    T value{};
    const char* last = word.data() + word.size();
    const auto [end, error] = std::from_chars(word.data(), last, value, base...);
    if (word.empty() || error != std::errc{} || end != last) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::uint8_t> HexByte(std::string_view word) {
    if (word.empty() || word.size() > 2) {
        return std::nullopt;
    }
    return Number<std::uint8_t>(word, 16);
}

std::optional<std::vector<std::uint8_t>> HexBytes(const std::vector<std::string_view>& words,
                                                  std::size_t from) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = from; i < words.size(); ++i) {
        const std::optional<std::uint8_t> b = HexByte(words[i]);
        if (!b) {
            return std::nullopt;
        }
        bytes.push_back(*b);
    }
    return bytes;
}

// Four digits: the second address byte, then the slave address byte; two digits: the slave
// address byte alone.
std::optional<Address> ParseAddress(std::string_view word) {
    if (word.size() == 2) {
        const std::optional<std::uint8_t> slave = HexByte(word);
        return slave ? std::optional<Address>(Address{*slave, 0}) : std::nullopt;
    }
    if (word.size() != 4) {
        return std::nullopt;
    }
    const std::optional<std::uint8_t> second = HexByte(word.substr(0, 2));
    const std::optional<std::uint8_t> slave = HexByte(word.substr(2, 2));
    if (!second || !slave) {
        return std::nullopt;
    }
    return Address{*slave, *second};
}

std::optional<bool> OnOff(std::string_view word) {
    if (word == "on") {
        return true;
    }
    if (word == "off") {
        return false;
    }
    return std::nullopt;
}

std::string Hex(std::uint8_t b) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[b >> 4], kDigits[b & 0x0F]};
}

std::string AddressText(Address a) {
    return Hex(a.second) + Hex(a.slave);
}

ControlOutcome Ok(std::string detail = {}) {
    return {HostAction::None, detail.empty() ? "ok" : "ok " + detail};
}

ControlOutcome Error(std::string_view reason) {
    return {HostAction::None, "error " + std::string(reason)};
}

ControlOutcome Status(const Firmware& firmware) {
    const Bus& bus = firmware.bus();
    const auto version = firmware.version();
    std::ostringstream out;
    out << "silent=" << (firmware.silent() ? "on" : "off") << " latency=" << firmware.latency()
        << " version=" << int{version[0]} << '.' << int{version[1]} << '.' << int{version[2]}
        << " prompt=" << static_cast<char>(firmware.prompt())
        << " pullups=" << (bus.pullUps() ? "on" : "off") << " divider=" << bus.divider()
        << " lines=" << Hex(bus.lines());
    const std::optional<Address> filter = firmware.listener().filter();
    out << " filter=" << (filter ? AddressText(*filter) : "none")
        << " monitoring=" << (firmware.interrupts().monitoring() ? "on" : "off")
        << " table=" << firmware.interrupts().table().size();
    return Ok(out.str());
}

ControlOutcome DeviceFault(const std::vector<std::string_view>& words, Firmware& firmware) {
    if (words.size() != 3) {
        return Error("usage: " + std::string(words[0]) + " ADDR on|off");
    }
    const std::optional<Address> address = ParseAddress(words[1]);
    const std::optional<bool> on = OnOff(words[2]);
    if (!address || !on) {
        return Error("usage: " + std::string(words[0]) + " ADDR on|off");
    }
    Bus& bus = firmware.bus();
    const bool known =
        words[0] == "nak" ? bus.setNak(*address, *on) : bus.setStretch(*address, *on);
    return known ? Ok() : Error("no device at " + AddressText(*address));
}

ControlOutcome Traffic(const std::vector<std::string_view>& words, Firmware& firmware, Tick now) {
    if (words.size() < 2) {
        return Error("usage: " + std::string(words[0]) + " ADDR [HEX...]");
    }
    const std::optional<Address> address = ParseAddress(words[1]);
    const std::optional<std::vector<std::uint8_t>> data = HexBytes(words, 2);
    if (!address || !data) {
        return Error("usage: " + std::string(words[0]) + " ADDR [HEX...]");
    }
    firmware.injectTraffic(Transfer{now, *address, *data, words[0] == "traffic"});
    return Ok();
}

ControlOutcome Received(Firmware& firmware) {
    std::string bytes;
    for (const TimedByte& b : firmware.received()) {
        if (!bytes.empty()) {
            bytes += ' ';
        }
        bytes += Hex(b.value);
    }
    firmware.clearReceived();
    return Ok(bytes);
}

// "fault KIND [MS] [after N]": the late kind takes the delay.
ControlOutcome StrikeFault(const std::vector<std::string_view>& words, Firmware& firmware) {
    static constexpr std::pair<std::string_view, Fault> kKinds[] = {
        {"off", Fault::None},        {"silent", Fault::Silent}, {"late", Fault::Late},
        {"garbage", Fault::Garbage}, {"short", Fault::Short},   {"long", Fault::Long},
        {"more", Fault::More}};
    const auto kind = std::find_if(std::begin(kKinds), std::end(kKinds), [&](const auto& k) {
        return words.size() > 1 && k.first == words[1];
    });
    const std::size_t after = kind != std::end(kKinds) && kind->second == Fault::Late ? 3 : 2;
    const auto ms = after == 3 && words.size() > 2 ? Number<std::uint32_t>(words[2], 10)
                                                   : std::optional<std::uint32_t>(0);
    // A count that is missing after "after", or not a number, is one over the limit. A plain
    // unsigned: GCC 12's optimiser wrongly warns that a checked std::optional may be unset here.
    constexpr unsigned kMaxSkip = 1000;
    const unsigned skip = words.size() == after + 2 && words[after] == "after"
                              ? Number<unsigned>(words[after + 1], 10).value_or(kMaxSkip + 1)
                          : words.size() == after ? 0
                                                  : kMaxSkip + 1;
    if (kind == std::end(kKinds) || !ms || *ms > 60'000 || skip > kMaxSkip) {
        return Error("usage: fault off|silent|late MS|garbage|short|long|more [after N]");
    }
    firmware.strike(kind->second, skip, *ms);
    return Ok();
}

}  // namespace

std::string_view ControlHelp() {
    return "unplug | plug | quit | demo on|off | silent on|off | latency MS | garbage HEX... | "
           "fault off|silent|late MS|garbage|short|long|more [after N] | "
           "traffic ADDR [HEX...] | partial ADDR [HEX...] | expander HEX | int | "
           "nak ADDR on|off | stretch ADDR on|off | temperature DEG | version D0 D1 D2 | "
           "prompt C | received | status | help";
}

ControlOutcome ExecuteControl(std::string_view line, Firmware& firmware, Tick now) {
    const std::vector<std::string_view> words = Words(line);
    if (words.empty()) {
        return Error("empty command");
    }
    const std::string_view command = words[0];
    const std::size_t arguments = words.size() - 1;

    if (command == "unplug" || command == "plug" || command == "quit") {
        if (arguments != 0) {
            return Error("usage: " + std::string(command));
        }
        return {command == "unplug" ? HostAction::Unplug
                : command == "plug" ? HostAction::Plug
                                    : HostAction::Quit,
                {}};
    }
    if (command == "demo" || command == "silent") {
        const std::optional<bool> on = arguments == 1 ? OnOff(words[1]) : std::nullopt;
        if (!on) {
            return Error("usage: " + std::string(command) + " on|off");
        }
        if (command == "demo") {
            return {*on ? HostAction::DemoOn : HostAction::DemoOff, {}};
        }
        firmware.setSilent(*on);
        return Ok();
    }
    if (command == "latency") {
        const auto ms = arguments == 1 ? Number<std::uint32_t>(words[1], 10) : std::nullopt;
        if (!ms || *ms > 60'000) {
            return Error("usage: latency MS (0 to 60000)");
        }
        firmware.setLatency(*ms);
        return Ok();
    }
    if (command == "fault") {
        return StrikeFault(words, firmware);
    }
    if (command == "garbage") {
        const auto bytes = HexBytes(words, 1);
        if (!bytes || bytes->empty()) {
            return Error("usage: garbage HEX...");
        }
        firmware.sendNoise(*bytes, now);
        return Ok();
    }
    if (command == "traffic" || command == "partial") {
        return Traffic(words, firmware, now);
    }
    if (command == "expander") {
        const auto inputs = arguments == 1 ? HexByte(words[1]) : std::nullopt;
        if (!inputs) {
            return Error("usage: expander HEX");
        }
        firmware.setExpanderInputs(*inputs, now);
        return Ok();
    }
    if (command == "int") {
        if (arguments != 0) {
            return Error("usage: int");
        }
        firmware.pulseInterrupt(now);
        return Ok();
    }
    if (command == "nak" || command == "stretch") {
        return DeviceFault(words, firmware);
    }
    if (command == "temperature") {
        const auto degrees = arguments == 1 ? Number<double>(words[1]) : std::nullopt;
        if (!degrees) {
            return Error("usage: temperature DEG");
        }
        firmware.thermometer().setTemperature(*degrees);
        return Ok();
    }
    if (command == "version") {
        if (arguments != 3) {
            return Error("usage: version D0 D1 D2");
        }
        const auto d0 = Number<std::uint8_t>(words[1], 10);
        const auto d1 = Number<std::uint8_t>(words[2], 10);
        const auto d2 = Number<std::uint8_t>(words[3], 10);
        if (!d0 || !d1 || !d2) {
            return Error("usage: version D0 D1 D2 (each 0 to 255)");
        }
        firmware.setVersion(*d0, *d1, *d2);
        return Ok();
    }
    if (command == "prompt") {
        if (arguments != 1 || words[1].size() != 1) {
            return Error("usage: prompt C");
        }
        firmware.setPrompt(static_cast<std::uint8_t>(words[1][0]));
        return Ok();
    }
    if (command == "received" && arguments == 0) {
        return Received(firmware);
    }
    if (command == "status" && arguments == 0) {
        return Status(firmware);
    }
    if (command == "help" && arguments == 0) {
        return Ok(std::string(ControlHelp()));
    }
    return Error("unknown command: " + std::string(command));
}

}  // namespace i2ct::sim
