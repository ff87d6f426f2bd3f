#pragma once
// The devices on the simulated I2C bus. Each takes the data of the transfers addressed to it;
// the bus handles addressing, acknowledgement and timing.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace i2ct::sim {

class Device {
  public:
    virtual ~Device() = default;
    // The data bytes of one write transfer, in bus order.
    virtual void write(std::span<const std::uint8_t> data) = 0;
    // The bytes the device puts on the bus for one read transfer of `count` bytes.
    virtual std::vector<std::uint8_t> read(std::size_t count) = 0;
    // True while the device holds the INT line low.
    virtual bool pullsInt() const { return false; }
};

// A 256-byte serial EEPROM (24C02-like): the first byte of a write sets the address pointer, the
// rest is stored from there; reads go on from the pointer. The pointer wraps at 256.
class Eeprom : public Device {
  public:
    Eeprom() { memory_.fill(0xFF); }  // as erased
    void write(std::span<const std::uint8_t> data) override;
    std::vector<std::uint8_t> read(std::size_t count) override;
    std::uint8_t at(std::uint8_t address) const { return memory_[address]; }
    std::uint8_t pointer() const { return pointer_; }

  private:
    std::array<std::uint8_t, 256> memory_{};
    std::uint8_t pointer_ = 0;
};

// A temperature sensor (LM75-like). The first byte of a write selects a register: 0 the
// temperature (read only), 1 the configuration (one byte), 2 the hysteresis and 3 the
// over-temperature limit (two bytes each, high byte first). A read returns the selected
// register from its first byte and repeats it when more bytes are asked for. Temperatures are
// held in half degrees, as the sensor resolves them.
class TemperatureSensor : public Device {
  public:
    TemperatureSensor();
    void write(std::span<const std::uint8_t> data) override;
    std::vector<std::uint8_t> read(std::size_t count) override;
    // Rounded to the nearest half degree and held within the sensor's range of -55 to 125 °C.
    void setTemperature(double celsius);
    double temperature() const { return halfDegrees_ / 2.0; }

  private:
    std::vector<std::uint8_t> registerBytes(std::uint8_t index) const;

    int halfDegrees_ = 43;  // 21.5 °C
    std::uint8_t pointer_ = 0;
    std::uint8_t config_ = 0;
    std::array<std::uint8_t, 2> hysteresis_{0x4B, 0x00};  // 75 °C
    std::array<std::uint8_t, 2> limit_{0x50, 0x00};       // 80 °C
};

// An 8-bit quasi-bidirectional port expander (PCF8574-like). A write sets the output latch; a
// read returns the pins, which are low where the latch or the outside world pulls them low.
// When a change from outside moves a pin, the expander holds INT low until it is read or written.
class PortExpander : public Device {
  public:
    void write(std::span<const std::uint8_t> data) override;
    std::vector<std::uint8_t> read(std::size_t count) override;
    bool pullsInt() const override { return interrupt_; }
    // What the outside world drives onto the pins (1 = released).
    void setInputs(std::uint8_t inputs);
    std::uint8_t inputs() const { return inputs_; }
    std::uint8_t latch() const { return latch_; }
    std::uint8_t pins() const { return static_cast<std::uint8_t>(latch_ & inputs_); }

  private:
    std::uint8_t latch_ = 0xFF;
    std::uint8_t inputs_ = 0xFF;
    bool interrupt_ = false;
};

// A plain device with 256 byte registers. The first byte of a write selects a register and the
// following bytes fill it and the ones after; a later read starts at the selected register, so
// what was written reads back, and goes on from where it ended. At power-up each register holds
// its own number.
class RegisterFile : public Device {
  public:
    RegisterFile();
    void write(std::span<const std::uint8_t> data) override;
    std::vector<std::uint8_t> read(std::size_t count) override;
    std::uint8_t at(std::uint8_t index) const { return registers_[index]; }

  private:
    std::array<std::uint8_t, 256> registers_{};
    std::uint8_t pointer_ = 0;
};

}  // namespace i2ct::sim
