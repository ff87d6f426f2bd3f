#include <gtest/gtest.h>

#include "core/console.h"
#include "modem/connection.h"
#include "modem/version.h"
#include "rig.h"

namespace i2ct {
namespace {

using test::Bytes;
using test::FakeDriver;
using test::Rig;

class ConnectionTest : public ::testing::Test {
  protected:
    ConnectionTest() : p(rig.ports()) {}
    void start() {
        LoadDriverLibrary(p);
        ConnectModem(p);
    }
    Rig rig;
    Program p;
};

TEST_F(ConnectionTest, DriverFromTheStartDirectoryNeedsNoDialog) {
    LoadDriverLibrary(p);
    EXPECT_EQ(p.StartDirectory, "/home/user/terminal/");
    EXPECT_EQ(rig.libraries.attempts, (std::vector<Text>{"/home/user/terminal/ftd2xx.dll"}));
    EXPECT_EQ(rig.dialog.shown, 0);
    EXPECT_TRUE(rig.message.history.empty());
    EXPECT_NE(p.driver, nullptr);
}

TEST_F(ConnectionTest, DirectoryEndingInItsSeparatorGetsNoSecondOne) {
    rig.libraries.directory = "C:\\";
    rig.libraries.separator = '\\';
    LoadDriverLibrary(p);
    EXPECT_EQ(p.StartDirectory, "C:\\");
    EXPECT_EQ(rig.libraries.attempts.front(), "C:\\ftd2xx.dll");
}

TEST_F(ConnectionTest, MissingLibraryAsksForTheFileAndUsesIt) {
    rig.libraries.directory = "/opt/t";
    rig.dialog.answer = "/usr/lib/ftd2xx.dll";
    rig.libraries.libraries.emplace_back(
        "/usr/lib/ftd2xx.dll", [this] { return std::make_unique<FakeDriver>(rig.devices); });
    LoadDriverLibrary(p);
    EXPECT_EQ(rig.dialog.shown, 1);
    EXPECT_EQ(rig.dialog.title, cp1252("Kann die Datei ftd2xx.dll nicht öffnen!         Bitte die "
                                       "Datei selektieren und laden"));
    EXPECT_EQ(rig.dialog.filter, "DLL (*.dll)|*.dll;*.DLL");
    EXPECT_NE(p.driver, nullptr);
    EXPECT_TRUE(rig.message.history.empty());
}

TEST_F(ConnectionTest, CancelledDialogLeavesAPlainMessageThatStays) {
    rig.libraries.directory = "/opt/t";
    LoadDriverLibrary(p);
    EXPECT_EQ(rig.dialog.shown, 1);
    EXPECT_EQ(p.driver, nullptr);
    EXPECT_EQ(rig.message.text, cp1252(" Öffnen der Library fdt2xx.dll ist fehlgeschlagen!"));
    EXPECT_NE(rig.message.colour, colour::kErrorRed);
    EXPECT_FALSE(p.MessageShown) << "the five-second clearing does not apply";
    ConnectModem(p);
    EXPECT_EQ(rig.message.text, "Es ist\t kein Modem angeschlossen!!");
}

TEST_F(ConnectionTest, OutcomesAndTheirMessages) {
    start();
    EXPECT_EQ(rig.message.text, "Es ist\t kein Modem angeschlossen!!");
    EXPECT_FALSE(p.ModemFound);

    rig.devices.push_back({"FT232R USB UART", "/dev/ttyUSB3"});
    Program q(rig.ports());
    LoadDriverLibrary(q);
    ConnectModem(q);
    EXPECT_EQ(rig.message.text, "Es ist kein Modem angeschlossen!!");
}

TEST_F(ConnectionTest, DescriptionMustMatchExactly) {
    rig.devices.push_back({"i2c <> usb modem  selmur & vusk", "/dev/ttyUSB0"});
    rig.devices.push_back({"I2C <> USB Modem Selmur & Vusk", "/dev/ttyUSB1"});
    rig.devices.push_back({"I2C <> USB Modem  Selmur & Vusk ", "/dev/ttyUSB2"});
    start();
    EXPECT_FALSE(p.ModemFound);
    EXPECT_EQ(rig.message.text, "Es ist kein Modem angeschlossen!!");
}

TEST_F(ConnectionTest, DeviceThatCannotBeOpened) {
    rig.devices.push_back({test::kModem, "/dev/ttyUSB0", false});
    start();
    EXPECT_TRUE(p.ModemFound);
    EXPECT_FALSE(p.PortOpen);
    EXPECT_EQ(rig.message.text, "Verbindung mit Modem kann nicht hergestellt werden!");
}

TEST_F(ConnectionTest, PortThatCannotBeOpened) {
    rig.devices.push_back({test::kModem, "/dev/ttyUSB7"});
    start();
    EXPECT_TRUE(p.ModemFound);
    EXPECT_FALSE(p.PortOpen);
    EXPECT_EQ(rig.message.text, "Kann das Modem-Protokoll nicht starten");
    EXPECT_EQ(rig.serial.definitions,
              (std::vector<Text>{"/dev/ttyUSB7: baud=115200  parity=N  data=8  stop=1"}));
}

TEST_F(ConnectionTest, OpenPortShowsNothingAndSendsNothing) {
    rig.plugModem();
    start();
    EXPECT_TRUE(p.ModemFound);
    EXPECT_TRUE(p.PortOpen);
    EXPECT_TRUE(rig.message.history.empty());
    EXPECT_TRUE(rig.modem.written().empty());
}

TEST_F(ConnectionTest, WithTwoModemsTheLaterOneIsUsed) {
    test::ScriptedModem second(rig.time);
    rig.devices.push_back({test::kModem, "/dev/ttyUSB0"});
    rig.devices.push_back({test::kModem, "/dev/ttyUSB1"});
    rig.serial.modems["/dev/ttyUSB0"] = &rig.modem;
    rig.serial.modems["/dev/ttyUSB1"] = &second;
    start();
    EXPECT_EQ(rig.serial.definitions.back().substr(0, 12), "/dev/ttyUSB1");
}

TEST_F(ConnectionTest, KeepAliveFailureGoesOfflineAndReconnectRestoresThePrompt) {
    rig.plugModem();
    start();
    p.PromptChar = "#";
    SetStatus(p, ConnectionDisplay::Online);
    rig.modem.unplugged = true;
    SuperviseConnection(p);
    EXPECT_EQ(rig.status.text, "Offline");
    EXPECT_EQ(rig.status.background, colour::kRed);
    EXPECT_FALSE(p.ModemFound);
    EXPECT_FALSE(p.PortOpen);
    EXPECT_EQ(rig.message.text, "Fehler beim Empfang der Daten!");

    rig.modem.unplugged = false;
    rig.modem.clearRecord();
    rig.modem.responder = [](const Bytes& f) {
        return f[0] == 0x12 ? Bytes{0x1A, 0x01, '>', 0x04} : Bytes{};
    };
    SuperviseConnection(p);
    EXPECT_EQ(rig.modem.written(), (Bytes{0x12, 0x00, 0x04}));
    EXPECT_EQ(rig.status.text, "Online");
    EXPECT_EQ(p.PromptChar, ">");
}

TEST_F(ConnectionTest, SuccessfulProbeLeavesAnOfflineFieldAlone) {
    rig.plugModem();
    start();
    SetStatus(p, ConnectionDisplay::Offline);
    SuperviseConnection(p);
    EXPECT_EQ(rig.modem.written(), (Bytes{0x12, 0x00, 0x04}));
    EXPECT_EQ(rig.status.text, "Offline");
    EXPECT_TRUE(p.ModemFound);
}

TEST_F(ConnectionTest, WrongReplyCodeGoesOfflineSilently) {
    rig.plugModem();
    start();
    rig.modem.responder = [](const Bytes&) { return Bytes{0x49, 0x01, 0x03, 0x04}; };
    SuperviseConnection(p);
    EXPECT_EQ(rig.status.text, "Offline");
    EXPECT_TRUE(rig.message.history.empty());
}

TEST_F(ConnectionTest, FoundWithoutPortFallsBackToNotConnected) {
    rig.devices.push_back({test::kModem, "/dev/ttyUSB7"});
    start();
    SuperviseConnection(p);
    EXPECT_FALSE(p.ModemFound);
    EXPECT_EQ(rig.status.text, "Offline");
}

TEST(Version, ValueAndText) {
    EXPECT_EQ(VersionText(VersionValue(1, 2, 3)), "1.23");
    EXPECT_EQ(VersionText(VersionValue(2, 0, 0)), "2.00");
    EXPECT_EQ(VersionText(VersionValue(0, 9, 9)), "0.99");
    EXPECT_EQ(VersionText(VersionValue(1, 12, 0)), "2.20") << "no digit has a range limit";
    EXPECT_EQ(VersionText(VersionValue(0xFF, 0, 0)), "-1.00") << "digits are signed";
}

class VersionQueryTest : public ConnectionTest {
  protected:
    VersionQueryTest() {
        rig.plugModem();
        start();
    }
};

TEST_F(VersionQueryTest, WritesTheVersionLineAndThePromptLine) {
    rig.modem.responder = [](const Bytes& f) {
        return f[0] == 0x11 ? Bytes{0x1A, 0x03, 1, 2, 3, 0x04} : Bytes{0x1A, 0x01, 0x3E, 0x04};
    };
    QueryFirmwareVersion(p);
    EXPECT_EQ(rig.modem.written(), (Bytes{0x11, 0x00, 0x04, 0x12, 0x00, 0x04}));
    EXPECT_EQ(rig.lines(),
              (std::vector<Text>{"USB <> I2C Modem  Selmur und Vusk     Version: 1.23", ">"}));
    EXPECT_EQ(p.PromptChar, ">");
    EXPECT_EQ(p.KnownLineCount, 2);
    EXPECT_EQ(p.LineSnapshot[1], ">");
    EXPECT_EQ(rig.status.text, "Online");
    GetVersion(p);
    EXPECT_EQ(rig.output.get(1), "!Version: 1.23");
}

TEST_F(VersionQueryTest, FailedVersionOrPromptLeavesTheAreaEmpty) {
    rig.modem.responder = [](const Bytes&) { return Bytes{0x49, 0x01, 0x10, 0x04}; };
    QueryFirmwareVersion(p);
    EXPECT_EQ(rig.message.text, cp1252("Fehler beim Übermitteln der Version!"));
    EXPECT_EQ(rig.output.count(), 0);
    EXPECT_EQ(p.PromptChar, "");

    rig.modem.responder = [](const Bytes& f) {
        return f[0] == 0x11 ? Bytes{0x1A, 0x03, 2, 2, 0, 0x04} : Bytes{};
    };
    QueryFirmwareVersion(p);
    EXPECT_EQ(rig.message.text, cp1252("Fehler beim Übermitteln des Prompt-Zeichen!"));
    EXPECT_EQ(p.PromptChar, "%");
    EXPECT_EQ(rig.output.count(), 0);
    EXPECT_NE(rig.status.text, "Online");
}

TEST_F(VersionQueryTest, GetVersionWithAnotherKindPrintsNothing) {
    p.PromptChar = "#";
    rig.modem.responder = [](const Bytes&) { return Bytes{0x49, 0x01, 0x10, 0x04}; };
    GetVersion(p);
    EXPECT_EQ(rig.output.count(), 0);
    EXPECT_TRUE(rig.message.history.empty());
}

}  // namespace
}  // namespace i2ct
