#pragma once
// A scripted modem for scenario tests: a serial port on virtual time that records every byte the
// program writes, cuts them into Frames and answers each Frame through a responder, after a
// latency. Unasked bytes (interrupts, listen data) are injected at virtual times.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "platform/clock.h"
#include "platform/serial.h"

namespace i2ct::test {

using Bytes = std::vector<std::uint8_t>;

class ScriptedModem {
  public:
    explicit ScriptedModem(Clock& clock) : clock_(clock) {}

    // Answers a complete request Frame (kind, length, data, end byte); empty for no answer.
    std::function<Bytes(const Bytes& frame)> responder;
    std::uint32_t latencyMs = 2;

    // Bytes that arrive at the program's side at time t, unasked.
    void inject(Tick t, const Bytes& bytes);
    // Bytes that arrive now.
    void inject(const Bytes& bytes) { inject(clock_.ticks(), bytes); }

    const Bytes& written() const { return written_; }
    const std::vector<Bytes>& frames() const { return frames_; }
    void clearRecord() {
        written_.clear();
        frames_.clear();
    }
    // A dead port: nothing arrives, nothing is taken.
    bool unplugged = false;

    // The serial side the program talks to.
    void write(std::uint8_t byte);
    std::size_t waiting();
    std::optional<std::uint8_t> read();

  private:
    Clock& clock_;
    Bytes written_;
    Bytes partial_;
    std::vector<Bytes> frames_;
    std::multimap<Tick, std::uint8_t> pending_;  // by arrival time, in order of injection
};

// The SerialPort the program holds; several may be opened over time on one modem.
class ScriptedPort : public SerialPort {
  public:
    explicit ScriptedPort(ScriptedModem& modem) : modem_(modem) {}
    void writeByte(std::uint8_t byte) override { modem_.write(byte); }
    std::optional<std::uint8_t> readByte() override { return modem_.read(); }
    std::size_t waiting() override { return modem_.waiting(); }

  private:
    ScriptedModem& modem_;
};

// A driver that lists devices by description; each open device has a port name.
class FakeDriver : public DeviceDriver {
  public:
    struct Device {
        Text description;
        Text port;
        bool opens = true;
    };
    explicit FakeDriver(std::vector<Device>& devices) : devices_(devices) {}
    int createDeviceInfoList() override { return static_cast<int>(devices_.size()); }
    std::vector<Text> deviceDescriptions() override;
    std::optional<int> open(int index) override;
    Text portName(int handle) override;
    void close(int) override {}

  private:
    std::vector<Device>& devices_;
};

// Opens the scripted modem for the definitions of the port names registered.
class FakeSerialPorts : public SerialPorts {
  public:
    std::unique_ptr<SerialPort> open(const Text& definition) override;
    std::map<Text, ScriptedModem*> modems;  // by port name
    std::vector<Text> definitions;
};

}  // namespace i2ct::test
