// SPDX-License-Identifier: LGPL-2.1-or-later
#include "modem/connection.h"

#include "core/console.h"
#include "modem/operations.h"

namespace i2ct {
namespace {

constexpr const char* kLibraryFile = "ftd2xx.dll";

enum class Discovery { NoDevices, NoModem, CannotOpen, PortFailed, PortOpen };

Discovery discover(Program& p) {
    DeviceDriver* driver = p.driver.get();
    const int count = driver != nullptr ? driver->createDeviceInfoList() : 0;
    if (count <= 0) {
        return Discovery::NoDevices;
    }
    const std::vector<Text> descriptions = driver->deviceDescriptions();
    int index = -1;
    const std::size_t listed = std::min(descriptions.size(), static_cast<std::size_t>(count));
    // No early stop: with several modems attached the last one in the list is used.
    for (std::size_t i = 0; i < listed; ++i) {
        if (descriptions[i] == kModemDescription) {
            index = static_cast<int>(i);
            p.ModemFound = true;
        }
    }
    if (!p.ModemFound) {
        return Discovery::NoModem;
    }
    const std::optional<int> handle = driver->open(index);
    if (!handle) {
        return Discovery::CannotOpen;
    }
    const Text portName = driver->portName(*handle);
    driver->close(*handle);
    p.port = p.ports.serialPorts.open(DefinitionText(portName));
    p.PortOpen = p.port != nullptr;
    return p.PortOpen ? Discovery::PortOpen : Discovery::PortFailed;
}

}  // namespace

void LoadDriverLibrary(Program& p) {
    LibraryLoader& loader = p.ports.libraries;
    p.StartDirectory = loader.currentDirectory();
    const char separator = loader.directorySeparator();
    if (p.StartDirectory.empty() || p.StartDirectory.back() != separator) {
        p.StartDirectory += separator;
    }
    p.driver = loader.load(p.StartDirectory + kLibraryFile);
    if (p.driver) {
        return;
    }
    const Text chosen = p.ports.fileDialog.openFile(
        cp1252("Kann die Datei ftd2xx.dll nicht öffnen!         Bitte die Datei selektieren und "
               "laden"),
        "DLL (*.dll)|*.dll;*.DLL");
    if (!chosen.empty()) {
        p.driver = loader.load(chosen);
    }
    if (!p.driver) {
        // Plain text on purpose: it stays, neither red nor cleared after five seconds.
        p.ports.message.setText(cp1252(" Öffnen der Library fdt2xx.dll ist fehlgeschlagen!"));
    }
}

Text DefinitionText(const Text& portName) {
    return portName + ": baud=115200  parity=N  data=8  stop=1";
}

void ConnectModem(Program& p) {
    switch (discover(p)) {
        case Discovery::NoDevices:
            ShowError(p, "Es ist\t kein Modem angeschlossen!!");
            break;
        case Discovery::NoModem:
            ShowError(p, "Es ist kein Modem angeschlossen!!");
            break;
        case Discovery::CannotOpen:
            ShowError(p, "Verbindung mit Modem kann nicht hergestellt werden!");
            break;
        case Discovery::PortFailed:
            ShowError(p, "Kann das Modem-Protokoll nicht starten");
            break;
        case Discovery::PortOpen:
            break;
    }
}

bool ReconnectModem(Program& p) {
    discover(p);
    if (!p.ModemFound || !p.PortOpen) {
        return false;
    }
    const OpResult r = ReadPrompt(p);
    if (r.ok()) {
        SetStatus(p, ConnectionDisplay::Online);
        p.PromptChar = Text(1, static_cast<char>(r.data[0]));
    }
    return r.ok();
}

void SuperviseConnection(Program& p) {
    if (!p.ModemFound) {
        ReconnectModem(p);
        return;
    }
    if (!ReadPrompt(p).ok()) {
        DropConnection(p);
    }
}

void DropConnection(Program& p) {
    SetStatus(p, ConnectionDisplay::Offline);
    p.ModemFound = false;
    p.port.reset();
    p.PortOpen = false;
}

std::unique_ptr<DeviceDriver> GivenPortDriver(const Text& portName) {
    struct Driver : DeviceDriver {
        Text port;
        int createDeviceInfoList() override { return 1; }
        std::vector<Text> deviceDescriptions() override { return {kModemDescription}; }
        std::optional<int> open(int index) override {
            return index == 0 ? std::optional<int>(1) : std::nullopt;
        }
        Text portName(int) override { return port; }
        void close(int) override {}
    };
    auto driver = std::make_unique<Driver>();
    driver->port = portName;
    return driver;
}

void CloseConnection(Program& p) {
    p.driver.reset();
    p.port.reset();
    p.PortOpen = false;
}

}  // namespace i2ct
