// What transcripts cannot show: the line tracker on edits other than typing behind the prompt,
// driver loading and discovery outcomes, the help window and logo, and the tables of the
// hexadecimal text routines and status texts.

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include "app/help_text.h"
#include "app/terminal.h"
#include "core/console.h"
#include "interpreter/hex.h"
#include "modem/connection.h"
#include "modem/status_text.h"
#include "modem/version.h"
#include "rig.h"

namespace i2ct::test {
namespace {

using Lines = std::vector<Text>;

// A console after start-up: the version line and a prompt line.
struct Console : ::testing::Test {
    Console() {
        p.PromptChar = "#";
        rig.output.append("USB <> I2C Modem");
        rig.output.append("#");
        RefreshSnapshot(p);
        rig.output.moveToEndOfLine(1);
    }
    Text enter(const Text& typed) {
        rig.output.type(typed);
        return LineTracker(p);
    }
    Rig rig;
    Program p{rig.ports()};
};

TEST_F(Console, FindsTheLineAboveTheNewOneAndWritesBelowIt) {
    EXPECT_EQ(enter("GET INT"), "") << "typing inside a line changes no line count";
    EXPECT_EQ(enter("\n"), "#GET INT");
    PrintLine(p, "!GET INT > 1", LineKind::Result);
    EXPECT_EQ(LineTracker(p), "") << "the program's own output is no user edit";
    enter("GET SDA\n");
    PrintLine(p, "!GET SDA > 0", LineKind::Result);
    // Enter at the end of an earlier line runs it again, with its output below it.
    rig.output.moveToEndOfLine(1);
    EXPECT_EQ(enter("\n"), "#GET INT");
    EXPECT_EQ(p.CurrentLine, 1);
    PrintLine(p, "!GET INT > 0", LineKind::Result);
    EXPECT_EQ(rig.lines(), (Lines{"USB <> I2C Modem", "#GET INT", "!GET INT > 0", "#",
                                  "!GET INT > 1", "#GET SDA", "!GET SDA > 0", "#"}));
    EXPECT_EQ(rig.output.cursorColumn(), 1u);
    rig.output.moveTo(99, 0);  // a click below the text lands on the last line
    rig.output.backspace();
    EXPECT_EQ(LineTracker(p), "!GET SDA > 0#") << "a deleted line break runs the joined last line";
}

TEST_F(Console, EmptyAndEchoLines) {
    EXPECT_EQ(enter("\n"), "");
    EXPECT_FALSE(p.CommandReady);
    enter("SET\n");
    PrintLine(p, "?SET ", LineKind::Echo);
    EXPECT_EQ(rig.output.cursorColumn(), 5u);
    EXPECT_EQ(enter("INT 1\n"), "?SET INT 1");
    PrintLine(p, "?   ^", LineKind::Spaced);
    PrintLine(p, "?SET", LineKind::Echo);
    PrintLine(p, "", LineKind::Result);
    EXPECT_EQ(rig.lines(),
              (Lines{"USB <> I2C Modem", "#", "#SET", "?SET INT 1", "?   ^", "?SET", "#"}));
    rig.output.backspace();
    EXPECT_EQ(enter("\n"), "?SET") << "an emptied line runs the one above";
}

TEST_F(Console, LongConsolesAndEditsFarUp) {
    for (int i = 0; i < 40000; ++i) rig.output.append("!line " + std::to_string(i));
    rig.output.append("#");
    RefreshSnapshot(p);
    rig.output.moveToEndOfLine(rig.output.count() - 1);
    EXPECT_EQ(enter("GET INT\n"), "#GET INT");
    EXPECT_EQ(p.CurrentLine, 40002);
    PrintLine(p, "!GET INT > 1", LineKind::Result);
    EXPECT_EQ(p.KnownLineCount, 40005);
    EXPECT_EQ(p.CurrentLine, 40004) << "the new prompt's line";
    rig.output.moveToEndOfLine(150);
    EXPECT_EQ(enter("\n"), "!line 148");
}

TEST(EmptyConsole, TheFirstKeysAreTypingAndEmptyingWritesThePrompt) {
    Rig rig;
    Program p(rig.ports());
    p.PromptChar = "%";
    for (char c : Text("GET INT")) {
        rig.output.type(Text(1, c));
        EXPECT_EQ(LineTracker(p), "");
    }
    rig.output.type("\n");
    EXPECT_EQ(LineTracker(p), "GET INT");
    EXPECT_EQ(p.CurrentLine, 0);
    rig.output.clear();
    EXPECT_EQ(rig.output.cursorColumn(), 0u);
    EXPECT_EQ(rig.output.firstTouchedLine(), 0) << "the console must see the whole text gone";
    LineTracker(p);
    EXPECT_EQ(rig.lines(), (Lines{"%"}));
    rig.output.type("\n");
    EXPECT_EQ(LineTracker(p), "");
    EXPECT_EQ(rig.lines(), (Lines{"%", "%"}));
}

TEST(Messages, ErrorsAreRedUntilTheLineClearsFiveSecondsAfterTheLastMessage) {
    Rig rig;
    Program p(rig.ports());
    ShowError(p, "Modem antwortet nicht!");
    rig.time.sleep(3000);
    ShowMessage(p, "later");
    EXPECT_EQ(rig.message.colour, colour::kErrorRed);
    rig.time.sleep(5000);
    ClearMessageIfDue(p);
    EXPECT_EQ(rig.message.text, "later");
    rig.time.sleep(1);
    ClearMessageIfDue(p);
    EXPECT_EQ(rig.message.text, "");
    EXPECT_EQ(rig.message.colour, colour::kBlack);
}

// Discovery, each outcome with its message.
TEST(Discovery, OutcomesAndTheirMessages) {
    const Text none = "Es ist kein Modem angeschlossen!!";
    const Text modem = kModemDescription;
    struct Case {
        std::function<void(sim::VirtualBench&)> setUp;
        Text message;
        bool found, open;
    } cases[] = {
        {[](auto&) {}, "Es ist\t kein Modem angeschlossen!!", false, false},
        {[](auto& b) { b.addModem("FT232R USB UART"); }, none, false, false},
        {[&](auto& b) {
             b.addModem("i2c <> usb modem  selmur & vusk");
             b.addModem("I2C <> USB Modem Selmur & Vusk");
             b.addModem(modem + " ");
         },
         none, false, false},
        {[](auto& b) { b.addModem().setDriverRefuses(true); },
         "Verbindung mit Modem kann nicht hergestellt werden!", true, false},
        {[](auto& b) { b.addModem().setPortHeld(true); }, "Kann das Modem-Protokoll nicht starten",
         true, false},
        {[](auto& b) {
             b.addModem();
             b.addModem();
         },
         "", true, true},
    };
    for (const Case& c : cases) {
        Rig rig;
        c.setUp(rig.bench);
        Program p(rig.ports());
        LoadDriverLibrary(p);
        ConnectModem(p);
        EXPECT_EQ(rig.message.text, c.message);
        EXPECT_EQ(p.ModemFound, c.found) << c.message;
        EXPECT_EQ(p.PortOpen, c.open) << c.message;
        if (c.open) {  // the later of two, at its line settings, and nothing sent
            EXPECT_EQ(rig.bench.lastDefinition(),
                      "/dev/ttySIM1: baud=115200  parity=N  data=8  stop=1");
            EXPECT_TRUE(rig.bench.firmware(1).received().empty());
            QueryFirmwareVersion(p);
            EXPECT_EQ(p.KnownLineCount, 2) << "the version and prompt lines are no user edit";
        }
    }
    // The driver of a port given by name lists that port as the one modem, and only it.
    const auto given = GivenPortDriver("/dev/ttyUSB7");
    EXPECT_EQ(given->createDeviceInfoList(), 1);
    EXPECT_EQ(given->deviceDescriptions(), Lines{modem});
    EXPECT_EQ(given->portName(given->open(0).value()), "/dev/ttyUSB7");
    EXPECT_FALSE(given->open(1));
}

TEST(Discovery, TheLibraryComesFromTheStartDirectoryOrTheFileDialog) {
    Rig rig;
    FakeLibraryLoader loader;
    Program p(rig.ports(loader, rig.bench));
    loader.directory = "C:\\";
    loader.separator = '\\';
    LoadDriverLibrary(p);
    EXPECT_EQ(p.StartDirectory, "C:\\");
    EXPECT_EQ(loader.attempts, (Lines{"C:\\ftd2xx.dll"}));
    EXPECT_EQ(rig.dialog.title, cp1252("Kann die Datei ftd2xx.dll nicht öffnen!         Bitte "
                                       "die Datei selektieren und laden"));
    EXPECT_EQ(rig.dialog.filter, "DLL (*.dll)|*.dll;*.DLL");
    EXPECT_EQ(p.driver, nullptr);
    EXPECT_EQ(rig.message.text, cp1252(" Öffnen der Library fdt2xx.dll ist fehlgeschlagen!"));
    EXPECT_FALSE(p.MessageShown) << "the five-second clearing does not apply";
    ConnectModem(p);  // without a driver there is no modem
    EXPECT_EQ(rig.message.text, "Es ist\t kein Modem angeschlossen!!");
    rig.dialog.answer = "/opt/ftd2xx.dll";
    loader.found = "/opt/ftd2xx.dll";
    loader.factory = [&] { return rig.bench.driver(); };
    LoadDriverLibrary(p);
    EXPECT_NE(p.driver, nullptr);
    EXPECT_EQ(loader.attempts.back(), "/opt/ftd2xx.dll");
}

// The window's whole run: start-up; the help window holds the loop until a close request; the
// logo opens the page beside the program; a close ends the loop and shut-down closes the port.
TEST(Window, HelpLogoAndClose) {
    Rig rig;
    rig.bench.addModem();
    Terminal terminal(rig.ports());
    const Tick t = rig.time.ticks();
    rig.time.at(t + 1000, WindowEvent::HelpButton);
    rig.time.at(t + 1050, WindowEvent::LogoButton);
    rig.time.schedule(t + 8000, [&] {
        EXPECT_TRUE(rig.help.isOpen);
        EXPECT_EQ(rig.bench.firmware().received().size(), 9u)
            << "no keep-alive while the help is open";
    });
    rig.time.at(t + 9000, WindowEvent::Close);
    rig.time.at(t + 9500, WindowEvent::LogoButton);
    rig.time.at(t + 9600, WindowEvent::Close);
    EXPECT_EQ(terminal.run(), 0);
    EXPECT_EQ(rig.time.ticks(), t + 9600);
    EXPECT_EQ(rig.help.lines, HelpLines());
    ASSERT_EQ(HelpLines().size(), 52u);
    EXPECT_EQ(HelpLines()[11],
              "              AUS   Die Pullup\xB4s f\xFCr SDA, SCL und INT werden ausgeschaltet");
    EXPECT_FALSE(rig.help.isOpen);
    EXPECT_EQ(rig.opener.opened, (Lines{"/bench/selmur.html"}));
    EXPECT_FALSE(terminal.program().PortOpen);
    EXPECT_EQ(terminal.program().port, nullptr);
}

// Between events the loop sleeps until its next deadline, and meets each to the millisecond:
// the keep-alive, the message clearing, the blink; unasked bytes wake it while INT is watched.
TEST(Loop, SleepsUntilItsNextDeadline) {
    Rig rig;
    rig.bench.addModem();
    Terminal terminal(rig.ports());
    terminal.startUp();
    EXPECT_EQ(rig.message.background, colour::kGrey) << "grey before any message";
    Program& p = terminal.program();
    const Tick t0 = rig.time.ticks();
    std::vector<Tick> passes;
    const auto run = [&](int n) {
        for (passes.clear(); n-- > 0; passes.push_back(rig.time.ticks() - t0)) terminal.runPass();
    };
    ShowMessage(p, "x");
    run(3);
    EXPECT_EQ(passes, (std::vector<Tick>{3003, 5001, 6004}));
    EXPECT_EQ(rig.message.text, "");
    p.InterruptWatch = true;
    p.BlinkTime = rig.time.ticks();
    const std::vector<std::uint8_t> event{0x4F, 0, 4, 0x4A, 3, 0x41, 0, 7, 4};
    rig.time.schedule(t0 + 7000, [&] { rig.bench.firmware().sendNoise(event, t0 + 7000); });
    run(3);
    EXPECT_EQ(passes, (std::vector<Tick>{6755, 7000, 7506}));
    EXPECT_EQ(rig.lines().end()[-2], "!CHKINT Addr: 041   Data: 7 ");
}

// The window paints during the start-up pause, and what the user does meanwhile is dropped.
TEST(Loop, TheStartUpPauseIsACommandsWait) {
    Rig rig;
    Terminal terminal(rig.ports());
    const Tick t0 = rig.time.ticks();
    rig.time.at(t0 + 100, WindowEvent::OutputArea, [&] { rig.output.type("x"); });
    terminal.startUp();
    EXPECT_EQ(rig.time.ticks(), t0 + 500) << "the pause lasts, whatever ends its wait";
    terminal.runPass();
    EXPECT_EQ(rig.lines(), Lines{});
}

TEST(Hex, CharactersLayoutAndBytes) {
    const std::pair<const char*, std::size_t> chars[] = {
        {"0072 DF 03 9E", 0}, {"0072 df", 0}, {"", 0}, {"0072 DX", 7}, {"0072\tDF", 5}};
    for (const auto& [text, at] : chars) EXPECT_EQ(CheckHexChars(text), at) << text;
    Text longText(200, 'A');
    longText[149] = 'G';
    EXPECT_EQ(CheckHexChars(longText), 150u);
    for (const char* good : {"0072", "0072 DF 03 ", "00G2 XX"}) {
        EXPECT_EQ(CheckHexLayout(good), 0u) << good;
    }
    for (const char* bad : {"00 72 DF", " 072", "00720 DF", "0072  DF", "0072 D", "0072 DF3",
                            "0072 DF  ", "0072 DF 0"}) {
        EXPECT_GT(CheckHexLayout(bad), 0u) << bad;
    }
    for (int v = 0; v < 256; ++v) {
        EXPECT_EQ(HexByteValue(HexByteText(static_cast<std::uint8_t>(v))), v);
    }
    EXPECT_EQ(HexByteValue("df"), 0xDF);
    EXPECT_EQ(HexByteValue(" 7") + HexByteValue("7 ") * 256, 0x7007);
    EXPECT_EQ(HexShortText(5), "5");
}

// Each known code has a text of its own; unknown ones get the general one.
TEST(StatusTexts, EveryCode) {
    std::set<Text> distinct;
    for (const int code :
         {0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x10, 0x11, 0x20, 0x21, 0x22, 0x41,
          0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4A, 0x4B, 0x4C, 0x4D}) {
        distinct.insert(StatusText(static_cast<std::uint8_t>(code)));
    }
    EXPECT_EQ(distinct.size(), 25u);
    EXPECT_EQ(distinct.count("allgemeiner Fehler"), 0u);
    EXPECT_EQ(StatusText(0x77), "allgemeiner Fehler");
    EXPECT_EQ(StatusText(0xFF), StatusText(0x02));
}

}  // namespace
}  // namespace i2ct::test
