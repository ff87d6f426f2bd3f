#pragma once
// Simulated modems inside the test process, on the test's clock: a serial port that leads
// straight into a firmware model, and a bench of modems that can be plugged and unplugged,
// found through the driver interface and opened through the serial ports interface.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/clock.h"
#include "platform/serial.h"
#include "platform/text.h"
#include "sim/firmware.h"

namespace i2ct::sim {

// One simulated modem on the bench: its firmware, the description its USB chip reports, and the
// serial port it appears on while plugged in.
class VirtualModem {
  public:
    VirtualModem(Text description, Text port)
        : description_(std::move(description)), port_(std::move(port)) {}

    Firmware& firmware() { return firmware_; }
    const Text& description() const { return description_; }
    const Text& port() const { return port_; }
    bool plugged() const { return plugged_; }
    // Each plug-in starts a new session; a port opened in an earlier one stays dead.
    std::uint64_t session() const { return session_; }

    // The driver cannot open the device (FT_Open fails).
    void setDriverRefuses(bool refuses) { driverRefuses_ = refuses; }
    bool driverRefuses() const { return driverRefuses_; }
    // The driver holds the device from FT_Open to FT_Close; a second FT_Open fails meanwhile.
    bool driverOpen() const { return driverOpen_; }
    void setDriverOpen(bool open) { driverOpen_ = open; }
    // Another program holds the serial port, so it cannot be opened.
    void setPortHeld(bool held) { portHeld_ = held; }
    bool portHeld() const { return portHeld_; }

    void unplug();
    // Plugs the modem in on `port`; its firmware starts from power-up.
    void plug(Text port);

    // The serial port admits one user at a time.
    std::shared_ptr<int> claim();

  private:
    Firmware firmware_;
    Text description_;
    Text port_;
    bool plugged_ = true;
    std::uint64_t session_ = 0;
    bool driverRefuses_ = false;
    bool driverOpen_ = false;
    bool portHeld_ = false;
    std::weak_ptr<int> claim_;
};

// The serial port of a virtual modem. Bytes written reach the firmware at the clock's time;
// reads wait on the clock, as a real port waits on the wire. Once its modem is unplugged the
// port is dead: writes vanish, nothing waits, reads time out.
class VirtualLink : public SerialPort {
  public:
    static constexpr std::uint32_t kReadTimeoutMs = 110;

    VirtualLink(Clock& clock, std::shared_ptr<VirtualModem> modem);

    void writeByte(std::uint8_t byte) override;
    // A byte that is due comes at once; otherwise the clock sleeps until the next one, for at
    // most 110 ms.
    std::optional<std::uint8_t> readByte() override;
    std::size_t waiting() override;
    // False once the modem is unplugged, and from the start when the port was taken already.
    bool alive() const;

  private:
    Clock& clock_;
    std::shared_ptr<VirtualModem> modem_;
    std::uint64_t session_;
    std::shared_ptr<int> claim_;
};

// A bench of simulated modems. It is the serial ports of the program and the library loader
// whose driver lists the plugged-in modems.
class VirtualBench : public SerialPorts, public LibraryLoader {
  public:
    explicit VirtualBench(Clock& clock) : clock_(clock) {}

    // A modem that is plugged in at once, on /dev/ttySIM<n> unless a port is given.
    VirtualModem& addModem(Text description = kModemDescription, Text port = {});
    VirtualModem& modem(std::size_t index = 0) { return *modems_.at(index); }
    Firmware& firmware(std::size_t index = 0) { return modem(index).firmware(); }
    std::size_t size() const { return modems_.size(); }
    void unplug(std::size_t index = 0) { modem(index).unplug(); }
    // Plugs the modem in again, on a new port name unless one is given.
    void plug(std::size_t index = 0, Text port = {});

    // A driver that lists the plugged-in modems; it must not outlive the bench.
    std::unique_ptr<DeviceDriver> driver();

    // SerialPorts: the device is the definition text up to its first ":".
    std::unique_ptr<SerialPort> open(const Text& definition) override;
    std::size_t opened() const { return opened_; }
    const Text& lastDefinition() const { return lastDefinition_; }

    // LibraryLoader: every load yields the bench's driver, unless the library is missing.
    Text currentDirectory() override { return "/bench"; }
    char directorySeparator() override { return '/'; }
    std::unique_ptr<DeviceDriver> load(const Text& path) override;
    void setLibraryPresent(bool present) { libraryPresent_ = present; }
    const std::vector<Text>& loads() const { return loads_; }

  private:
    friend class BenchDriver;
    Text freshPort();

    Clock& clock_;
    std::vector<std::shared_ptr<VirtualModem>> modems_;
    std::size_t portNumber_ = 0;
    std::size_t opened_ = 0;
    Text lastDefinition_;
    bool libraryPresent_ = true;
    std::vector<Text> loads_;
};

}  // namespace i2ct::sim
