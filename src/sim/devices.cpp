#include "sim/devices.h"

#include <algorithm>
#include <cmath>

namespace i2ct::sim {

void Eeprom::write(std::span<const std::uint8_t> data) {
    if (data.empty()) {
        return;
    }
    pointer_ = data[0];
    for (const std::uint8_t b : data.subspan(1)) {
        memory_[pointer_++] = b;
    }
}

std::vector<std::uint8_t> Eeprom::read(std::size_t count) {
    std::vector<std::uint8_t> out;
    out.reserve(count);
    while (out.size() < count) {
        out.push_back(memory_[pointer_++]);
    }
    return out;
}

TemperatureSensor::TemperatureSensor() = default;

void TemperatureSensor::write(std::span<const std::uint8_t> data) {
    if (data.empty()) {
        return;
    }
    pointer_ = static_cast<std::uint8_t>(data[0] & 0x03);
    const std::span<const std::uint8_t> value = data.subspan(1);
    if (value.empty()) {
        return;
    }
    switch (pointer_) {
        case 1:
            config_ = value[0];
            break;
        case 2:
            std::copy_n(value.begin(), std::min<std::size_t>(2, value.size()), hysteresis_.begin());
            break;
        case 3:
            std::copy_n(value.begin(), std::min<std::size_t>(2, value.size()), limit_.begin());
            break;
        default:
            break;  // the temperature register cannot be written
    }
}

std::vector<std::uint8_t> TemperatureSensor::read(std::size_t count) {
    const std::vector<std::uint8_t> reg = registerBytes(pointer_);
    std::vector<std::uint8_t> out;
    out.reserve(count);
    while (out.size() < count) {
        out.push_back(reg[out.size() % reg.size()]);
    }
    return out;
}

void TemperatureSensor::setTemperature(double celsius) {
    const double clamped = std::clamp(celsius, -55.0, 125.0);
    halfDegrees_ = static_cast<int>(std::lround(clamped * 2.0));
}

std::vector<std::uint8_t> TemperatureSensor::registerBytes(std::uint8_t index) const {
    switch (index) {
        case 1:
            return {config_};
        case 2:
            return {hysteresis_[0], hysteresis_[1]};
        case 3:
            return {limit_[0], limit_[1]};
        default:
            break;
    }
    // Nine bits of two's complement, left-aligned: the high byte holds whole degrees, bit 7 of
    // the low byte the half.
    const auto raw = static_cast<std::uint16_t>(static_cast<std::uint16_t>(halfDegrees_) << 7);
    return {static_cast<std::uint8_t>(raw >> 8), static_cast<std::uint8_t>(raw & 0x80)};
}

void PortExpander::write(std::span<const std::uint8_t> data) {
    if (data.empty()) {
        return;
    }
    latch_ = data.back();
    interrupt_ = false;
}

std::vector<std::uint8_t> PortExpander::read(std::size_t count) {
    if (count > 0) {
        interrupt_ = false;
    }
    return std::vector<std::uint8_t>(count, pins());
}

void PortExpander::setInputs(std::uint8_t inputs) {
    const std::uint8_t before = pins();
    inputs_ = inputs;
    if (pins() != before) {
        interrupt_ = true;
    }
}

RegisterFile::RegisterFile() {
    for (std::size_t i = 0; i < registers_.size(); ++i) {
        registers_[i] = static_cast<std::uint8_t>(i);
    }
}

void RegisterFile::write(std::span<const std::uint8_t> data) {
    if (data.empty()) {
        return;
    }
    pointer_ = data[0];
    std::uint8_t cursor = pointer_;
    for (const std::uint8_t b : data.subspan(1)) {
        registers_[cursor++] = b;
    }
}

std::vector<std::uint8_t> RegisterFile::read(std::size_t count) {
    std::vector<std::uint8_t> out;
    out.reserve(count);
    while (out.size() < count) {
        out.push_back(registers_[pointer_++]);
    }
    return out;
}

}  // namespace i2ct::sim
