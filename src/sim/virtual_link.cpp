#include "sim/virtual_link.h"

#include <string>

namespace i2ct::sim {

void VirtualModem::unplug() {
    plugged_ = false;
    ++session_;
    firmware_.powerCycle();
}

void VirtualModem::plug(Text port) {
    port_ = std::move(port);
    plugged_ = true;
    ++session_;
    claim_.reset();
    driverOpen_ = false;
    firmware_.powerCycle();
}

std::shared_ptr<int> VirtualModem::claim() {
    if (!claim_.expired()) {
        return nullptr;
    }
    auto token = std::make_shared<int>(0);
    claim_ = token;
    return token;
}

VirtualLink::VirtualLink(Clock& clock, std::shared_ptr<VirtualModem> modem)
    : clock_(clock),
      modem_(std::move(modem)),
      session_(modem_->session()),
      claim_(modem_->claim()) {}

bool VirtualLink::alive() const {
    return claim_ != nullptr && modem_->plugged() && modem_->session() == session_;
}

void VirtualLink::writeByte(std::uint8_t byte) {
    if (alive()) {
        modem_->firmware().receive(byte, clock_.ticks());
    }
}

std::size_t VirtualLink::waiting() {
    if (!alive()) {
        return 0;
    }
    Firmware& firmware = modem_->firmware();
    const Tick now = clock_.ticks();
    firmware.advance(now);
    return firmware.output().due(now);
}

std::optional<std::uint8_t> VirtualLink::readByte() {
    const Tick limit = clock_.ticks() + kReadTimeoutMs;
    for (;;) {
        const Tick now = clock_.ticks();
        if (alive()) {
            Firmware& firmware = modem_->firmware();
            firmware.advance(now);
            if (const std::optional<std::uint8_t> byte = firmware.output().take(now)) {
                return byte;
            }
        }
        if (Reached(now, limit)) {
            return std::nullopt;
        }
        Tick wake = limit;
        if (alive()) {
            const std::optional<Tick> next = modem_->firmware().nextEventAt();
            if (next && Reached(limit, *next) && !Reached(now, *next)) {
                wake = *next;
            }
        }
        clock_.sleep(wake - now);
    }
}

// The driver's view of the bench: the device list is the modems plugged in when it was built.
class BenchDriver : public DeviceDriver {
  public:
    explicit BenchDriver(VirtualBench& bench) : bench_(bench) {}

    int createDeviceInfoList() override {
        listed_.clear();
        for (const auto& modem : bench_.modems_) {
            if (modem->plugged()) {
                listed_.push_back({modem, modem->session()});
            }
        }
        return static_cast<int>(listed_.size());
    }

    std::vector<Text> deviceDescriptions() override {
        std::vector<Text> descriptions;
        for (const Listed& entry : listed_) {
            descriptions.push_back(entry.modem->description());
        }
        return descriptions;
    }

    std::optional<int> open(int index) override {
        if (index < 0 || static_cast<std::size_t>(index) >= listed_.size()) {
            return std::nullopt;
        }
        const Listed& entry = listed_[static_cast<std::size_t>(index)];
        if (!entry.modem->plugged() || entry.modem->session() != entry.session ||
            entry.modem->driverRefuses() || entry.modem->driverOpen()) {
            return std::nullopt;
        }
        entry.modem->setDriverOpen(true);
        return index;
    }

    Text portName(int handle) override {
        if (handle < 0 || static_cast<std::size_t>(handle) >= listed_.size()) {
            return {};
        }
        return listed_[static_cast<std::size_t>(handle)].modem->port();
    }

    void close(int handle) override {
        if (handle >= 0 && static_cast<std::size_t>(handle) < listed_.size()) {
            listed_[static_cast<std::size_t>(handle)].modem->setDriverOpen(false);
        }
    }

  private:
    struct Listed {
        std::shared_ptr<VirtualModem> modem;
        std::uint64_t session;
    };
    VirtualBench& bench_;
    std::vector<Listed> listed_;
};

Text VirtualBench::freshPort() {
    return "/dev/ttySIM" + std::to_string(portNumber_++);
}

VirtualModem& VirtualBench::addModem(Text description, Text port) {
    if (port.empty()) {
        port = freshPort();
    }
    modems_.push_back(std::make_shared<VirtualModem>(std::move(description), std::move(port)));
    return *modems_.back();
}

void VirtualBench::plug(std::size_t index, Text port) {
    if (port.empty()) {
        port = freshPort();
    }
    modem(index).plug(std::move(port));
}

std::unique_ptr<DeviceDriver> VirtualBench::driver() {
    return std::make_unique<BenchDriver>(*this);
}

std::unique_ptr<SerialPort> VirtualBench::open(const Text& definition) {
    lastDefinition_ = definition;
    const Text device = definition.substr(0, definition.find(':'));
    for (const auto& modem : modems_) {
        if (modem->plugged() && modem->port() == device && !modem->portHeld()) {
            auto link = std::make_unique<VirtualLink>(clock_, modem);
            if (!link->alive()) {
                return nullptr;
            }
            // The real port is flushed when it opens: what arrived while nobody listened is gone.
            Firmware& firmware = modem->firmware();
            firmware.advance(clock_.ticks());
            while (firmware.output().take(clock_.ticks())) {
            }
            ++opened_;
            return link;
        }
    }
    return nullptr;
}

std::unique_ptr<DeviceDriver> VirtualBench::load(const Text& path) {
    loads_.push_back(path);
    return libraryPresent_ ? driver() : nullptr;
}

}  // namespace i2ct::sim
