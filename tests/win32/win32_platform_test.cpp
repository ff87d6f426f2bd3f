// The Windows ports under Wine: the driver library loaded from the start directory (a stand-in
// built for the tests) and discovery through its five functions, as the core runs it.
#include <gtest/gtest.h>
#include <windows.h>

#include "modem/connection.h"
#include "platform/win32/library_loader.h"
#include "rig.h"

namespace i2ct::test {
namespace {

// Serial ports that only note the definition they were asked to open.
struct NotedPorts : SerialPorts {
    std::unique_ptr<SerialPort> open(const Text& definition) override {
        opened.push_back(definition);
        return nullptr;
    }
    std::vector<Text> opened;
};

struct Case {
    const char* devices;  // description=COM number;...
    const char* message;  // the error message ConnectModem shows, "" for none
    const char* opened;   // the definition it opens, "" for none
};

TEST(Win32Discovery, TheDriverLibraryFromTheStartDirectoryFindsTheModem) {
    // clang-format off
    const Case cases[] = {
        {"I2C <> USB Modem  Selmur & Vusk=7", "Kann das Modem-Protokoll nicht starten",
         "Com7: baud=115200  parity=N  data=8  stop=1"},
        {"FT232R USB UART=3;I2C <> USB Modem  Selmur & Vusk=12;I2C <> USB Modem  Selmur & Vusk=4",
         "Kann das Modem-Protokoll nicht starten", "Com4: baud=115200  parity=N  data=8  stop=1"},
        {"I2C <> USB MODEM  Selmur & Vusk=7", "Es ist kein Modem angeschlossen!!", ""},
        {"", "Es ist\t kein Modem angeschlossen!!", ""},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.devices);
        SetEnvironmentVariableA("I2CT_STANDIN_DEVICES", c.devices);
        Rig rig;
        win32::Win32LibraryLoader libraries;
        NotedPorts ports;
        Program program(rig.ports(libraries, ports));
        LoadDriverLibrary(program);
        ASSERT_NE(program.driver, nullptr) << "ftd2xx.dll beside the test";
        EXPECT_EQ(program.StartDirectory.back(), '\\');
        ConnectModem(program);
        EXPECT_EQ(rig.message.text, c.message);
        EXPECT_EQ(ports.opened, std::vector<Text>(*c.opened ? 1 : 0, c.opened));
    }
}

}  // namespace
}  // namespace i2ct::test
