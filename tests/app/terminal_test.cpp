#include <gtest/gtest.h>

#include "app/help_text.h"
#include "app/terminal.h"
#include "rig.h"

namespace i2ct {
namespace {

using test::Bytes;
using test::Rig;
using Lines = std::vector<Text>;

class TerminalTest : public ::testing::Test {
  protected:
    // Runs loop passes until the virtual time reaches t or the loop ends.
    bool runUntil(Tick t) {
        while (rig.time.ticks() < t) {
            if (!terminal.runPass()) {
                return false;
            }
        }
        return true;
    }
    // The user types at the insertion point at time t; the output area reports the change.
    void typeAt(Tick t, const Text& text) {
        rig.time.at(t, WindowEvent::OutputArea, [this, text] { rig.output.type(text); });
    }
    std::size_t probes() const {
        std::size_t n = 0;
        for (const Bytes& f : rig.modem.frames()) {
            n += f[0] == 0x12;
        }
        return n;
    }

    Rig rig;
    Terminal terminal{rig.ports()};
};

TEST_F(TerminalTest, StartWithAModemWritesThreeLinesAndGoesOnline) {
    rig.plugModem();
    terminal.startUp();
    EXPECT_EQ(rig.lines(), (Lines{"USB <> I2C Modem  Selmur und Vusk     Version: 2.20",
                                  "!I2C-Speed (Hz): 100000", "#"}));
    EXPECT_EQ(rig.output.cursorLine(), 2);
    EXPECT_EQ(rig.output.cursorColumn(), 1u);
    EXPECT_TRUE(rig.output.focused());
    EXPECT_EQ(rig.status.text, "Online");
    EXPECT_EQ(rig.status.background, colour::kGreen);
    EXPECT_EQ(rig.status.history.front().text, "Offline") << "the field starts Offline on red";
    EXPECT_EQ(terminal.program().PromptChar, "#");
    EXPECT_EQ(rig.modem.frames().size(), 3u) << "version, prompt character, bus clock";
    EXPECT_EQ(terminal.program().busClock, 100000);
}

TEST_F(TerminalTest, StartWithoutAModemLeavesTheAreaEmptyAndUsesPercent) {
    terminal.startUp();
    EXPECT_EQ(rig.output.count(), 0);
    EXPECT_EQ(terminal.program().PromptChar, "%");
    EXPECT_EQ(rig.status.text, "Offline");
    EXPECT_EQ(rig.message.text, "Es ist\t kein Modem angeschlossen!!");
    typeAt(rig.time.ticks() + 10, "\n");
    runUntil(rig.time.ticks() + 20);
    EXPECT_EQ(rig.lines(), (Lines{"", "%"}));
}

TEST_F(TerminalTest, StartUpPausesHalfASecondAfterDiscovery) {
    const Tick before = rig.time.ticks();
    terminal.startUp();
    EXPECT_GE(rig.time.ticks() - before, 500u);
    EXPECT_EQ(terminal.program().LastExchangeTime, rig.time.ticks());
}

TEST_F(TerminalTest, UnknownWordGetsTheInterpretersError) {
    rig.plugModem();
    terminal.startUp();
    typeAt(rig.time.ticks() + 100, "HELLO\n");
    runUntil(rig.time.ticks() + 200);
    EXPECT_EQ(rig.output.get(2), "#HELLO");
    EXPECT_EQ(rig.output.get(3), "?");
    EXPECT_EQ(rig.message.text,
              cp1252("Kommando nicht erkannt! Mögliche Eingaben: SET, GET, WR, WRITE, DR, READ "));
    EXPECT_EQ(rig.message.colour, colour::kErrorRed);
}

TEST_F(TerminalTest, KeepAliveRunsAfterThreeIdleSecondsAndNotBefore) {
    rig.plugModem();
    terminal.startUp();
    const Tick start = rig.time.ticks();
    runUntil(start + 2990);
    EXPECT_EQ(probes(), 1u) << "only start-up's prompt request";
    runUntil(start + 3100);
    EXPECT_EQ(probes(), 2u);
    runUntil(start + 6000);
    EXPECT_EQ(probes(), 2u) << "the next one only after three more seconds";
    runUntil(start + 6200);
    EXPECT_EQ(probes(), 3u);
    EXPECT_EQ(rig.status.text, "Online");
}

TEST_F(TerminalTest, CommandsWithinThreeSecondsOfEachOtherNeedNoKeepAlive) {
    rig.plugModem();
    terminal.startUp();
    const Tick start = rig.time.ticks();
    for (int i = 1; i <= 5; ++i) {
        typeAt(start + static_cast<Tick>(i) * 2500, "GET VERSION\n");
    }
    runUntil(start + 14000);
    EXPECT_EQ(probes(), 1u);
    EXPECT_EQ(rig.output.get(3), "!Version: 2.20");
    EXPECT_EQ(rig.output.get(4), "#GET VERSION");
}

TEST_F(TerminalTest, UnplugGoesOfflineAndPlugInAgainReconnectsWithTheNewPrompt) {
    rig.plugModem();
    terminal.startUp();
    const Tick start = rig.time.ticks();
    rig.time.schedule(start + 1000, [this] {
        rig.modem.unplugged = true;
        rig.devices.clear();
    });
    runUntil(start + 3001 + 2100);
    EXPECT_EQ(rig.status.text, "Offline");
    EXPECT_EQ(rig.status.background, colour::kRed);
    EXPECT_FALSE(terminal.program().ModemFound);

    rig.modem.unplugged = false;
    rig.modem.responder = [](const Bytes& f) {
        return f[0] == 0x12 ? Bytes{0x1A, 0x01, '$', 0x04} : test::StandardAnswer(f);
    };
    rig.plugModem();
    runUntil(rig.time.ticks() + 3100);
    EXPECT_EQ(rig.status.text, "Online");
    EXPECT_EQ(terminal.program().PromptChar, "$");
    EXPECT_EQ(rig.output.count(), 3) << "no version line after a reconnect";
}

TEST_F(TerminalTest, WithoutAModemTheLoopTriesToReconnectEveryThreeSeconds) {
    terminal.startUp();
    const Tick start = rig.time.ticks();
    rig.time.schedule(start + 4000, [this] { rig.plugModem(); });
    runUntil(start + 6100);
    EXPECT_EQ(rig.status.text, "Online");
    EXPECT_EQ(terminal.program().PromptChar, "#");
    EXPECT_EQ(rig.serial.definitions.size(), 1u);
}

TEST_F(TerminalTest, MessageLineClearsFiveSecondsAfterTheLastMessage) {
    terminal.startUp();
    const Tick shown = terminal.program().MessageTime;
    runUntil(shown + 5000);
    EXPECT_NE(rig.message.text, "");
    runUntil(shown + 5010);
    EXPECT_EQ(rig.message.text, "");
    EXPECT_EQ(rig.message.colour, colour::kBlack);
}

TEST_F(TerminalTest, CloseEventEndsTheLoop) {
    terminal.startUp();
    rig.time.at(rig.time.ticks() + 50, WindowEvent::Close);
    EXPECT_FALSE(runUntil(rig.time.ticks() + 1000));
}

TEST_F(TerminalTest, CloseDuringACommandsWaitIsLost) {
    terminal.startUp();  // no modem: GET VERSION waits 2 s for its reply
    const Tick t = rig.time.ticks();
    typeAt(t + 10, "GET VERSION\n");
    rig.time.at(t + 500, WindowEvent::Close);
    EXPECT_TRUE(runUntil(t + 4000));
    EXPECT_EQ(rig.time.droppedEvents(), 1u);
    EXPECT_EQ(rig.message.text, "Fehler beim Empfang der Daten!");
}

TEST_F(TerminalTest, HelpWindowShowsTheCommandSummaryAndHoldsTheLoop) {
    rig.plugModem();
    terminal.startUp();
    const Tick t = rig.time.ticks();
    rig.time.at(t + 10, WindowEvent::HelpButton);
    rig.time.at(t + 50, WindowEvent::LogoButton);
    typeAt(t + 100, "HELLO\n");
    // Deep into the help: no keep-alive, no command, no clearing, nothing opened.
    rig.time.schedule(t + 8000, [this] {
        EXPECT_TRUE(rig.help.isOpen);
        EXPECT_EQ(probes(), 1u);
        EXPECT_EQ(rig.output.get(3), "") << "the typed line has not run";
        EXPECT_TRUE(rig.opener.opened.empty());
    });
    rig.time.at(t + 9000, WindowEvent::Close);
    EXPECT_TRUE(runUntil(t + 9010)) << "a close while the help is open closes only the help";
    EXPECT_EQ(rig.help.opened, 1);
    EXPECT_FALSE(rig.help.isOpen);
    EXPECT_EQ(rig.help.lines, HelpLines());
    for (const auto& w : rig.time.waits()) {
        if (w.at > t + 10 && w.at < t + 9000) {
            EXPECT_EQ(w.timeoutMs, 500u);
        }
    }
    EXPECT_EQ(rig.output.get(2), "#HELLO") << "typing stays in the area";
    typeAt(t + 9100, "X");
    runUntil(t + 9200);
    EXPECT_EQ(rig.output.get(3), "?") << "the line is found at the next event after the help";
}

TEST_F(TerminalTest, MessageLineIsNotClearedWhileTheHelpIsOpen) {
    terminal.startUp();
    const Tick t = rig.time.ticks();
    rig.time.at(t + 10, WindowEvent::HelpButton);
    rig.time.schedule(
        t + 8000, [this] { EXPECT_EQ(rig.message.text, "Es ist\t kein Modem angeschlossen!!"); });
    rig.time.at(t + 9000, WindowEvent::Close);
    runUntil(t + 9010);
    EXPECT_EQ(rig.message.text, "") << "cleared in the pass that closed the help";
}

TEST_F(TerminalTest, HelpLinesAreExact) {
    const std::vector<Text>& lines = HelpLines();
    ASSERT_EQ(lines.size(), 52u);
    EXPECT_EQ(lines[0], "1. SET ");
    EXPECT_EQ(lines[14],
              "       \t\t      Beispiel: #SET Filter 0074   (Filter auf Adresse 0074 setzen)");
    EXPECT_EQ(lines[11],
              cp1252("              AUS   Die Pullup´s für SDA, SCL und INT werden ausgeschaltet"));
    EXPECT_EQ(
        lines[51],
        "                    Das Interupt-Event Handling des Modes wird wieder ausgeschaltet");
}

TEST_F(TerminalTest, LogoOpensTheHelpPageOfTheStartDirectory) {
    rig.libraries.directory = "/home/user/my terminal";
    terminal.startUp();
    rig.time.at(rig.time.ticks() + 10, WindowEvent::LogoButton);
    runUntil(rig.time.ticks() + 20);
    EXPECT_EQ(rig.opener.opened, (std::vector<Text>{"/home/user/my terminal/selmur.html"}))
        << "one argument, blanks and all";
}

TEST_F(TerminalTest, ShutDownClosesThePort) {
    rig.plugModem();
    terminal.startUp();
    terminal.shutDown();
    EXPECT_EQ(terminal.program().port, nullptr);
    EXPECT_FALSE(terminal.program().PortOpen);
}

}  // namespace
}  // namespace i2ct
