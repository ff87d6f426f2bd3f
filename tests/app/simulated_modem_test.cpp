// The whole terminal against the simulated modem's firmware, in process and on virtual time:
// the same conversations as over the real pty, at the speed of unit tests.
#include <gtest/gtest.h>

#include "app/terminal.h"
#include "rig.h"
#include "sim/virtual_link.h"

namespace i2ct {
namespace {

using test::Rig;

class SimulatedModemTest : public ::testing::Test {
  protected:
    SimulatedModemTest() {
        bench.addModem();
        terminal.startUp();
    }
    Ports ports() {
        Ports p = rig.ports();
        return Ports{p.clock, p.events,     p.output, p.status, p.message, p.stopButton,
                     p.help,  p.fileDialog, p.opener, bench,    bench};
    }
    bool runUntil(Tick t) {
        while (rig.time.ticks() < t) {
            if (!terminal.runPass()) {
                return false;
            }
        }
        return true;
    }
    // Types a command behind the prompt at the end of the console, presses Enter and lets the
    // loop run for ms.
    void command(const Text& line, std::uint32_t ms = 4000) {
        const Tick t = rig.time.ticks() + 10;
        rig.time.at(t, WindowEvent::OutputArea, [this, line] {
            rig.output.moveToEndOfLine(rig.output.count() - 1);
            rig.output.type(line + "\n");
        });
        runUntil(t + ms);
    }
    // The line below the last line that holds `typed`, behind the prompt or, after a command
    // that printed nothing, on the bare line Enter had opened.
    Text answerTo(const Text& typed) {
        for (LineIndex i = rig.output.count() - 1; i >= 0; --i) {
            if (rig.output.get(i) == "#" + typed || rig.output.get(i) == typed) {
                return rig.output.get(i + 1);
            }
        }
        return "(not found)";
    }
    bool consoleHas(const Text& line) {
        for (LineIndex i = 0; i < rig.output.count(); ++i) {
            if (rig.output.get(i) == line) {
                return true;
            }
        }
        return false;
    }

    Rig rig;
    sim::VirtualBench bench{rig.time};
    Terminal terminal{ports()};
};

TEST_F(SimulatedModemTest, StartUpShowsVersionBusClockAndPrompt) {
    EXPECT_EQ(rig.lines(), (std::vector<Text>{"USB <> I2C Modem  Selmur und Vusk     Version: 2.20",
                                              "!I2C-Speed (Hz): 100000", "#"}));
    EXPECT_EQ(rig.status.text, "Online");
}

TEST_F(SimulatedModemTest, WriteReadAndAnAddressNobodyAnswers) {
    command("WR 0072 DF 03 9E");
    EXPECT_EQ(answerTo("WR 0072 DF 03 9E"), "!WR > OK ");
    command("RD 0073 08");
    EXPECT_EQ(answerTo("RD 0073 08").substr(0, 12), "!RD > 03 9E ");
    EXPECT_EQ(answerTo("RD 0073 08").size(), 6u + 8u * 3u);
    command("WR 0030 01");
    EXPECT_EQ(answerTo("WR 0030 01"), "!WR  Fehler: Slave reagiert nicht");
    command("GET VERSION");
    EXPECT_EQ(answerTo("GET VERSION"), "!Version: 2.20");
}

TEST_F(SimulatedModemTest, BusClockAndLines) {
    command("SET SPEED 1500");
    EXPECT_EQ(answerTo("SET SPEED 1500"), "!I2C-Speed (Hz): 1501");
    EXPECT_EQ(terminal.program().busClock, 1501);
    command("GET INT");
    EXPECT_EQ(answerTo("GET INT"), "!GET INT > 1");
    command("SET INT 0");
    EXPECT_EQ(answerTo("SET INT 0"), "!SET INT > OK");
    command("GET INT");
    EXPECT_EQ(answerTo("GET INT"), "!GET INT > 0");
    command("SET PULLUP ein");
    command("GET PULLUP");
    EXPECT_EQ(answerTo("GET PULLUP"), "!PULLUP > EIN");
}

TEST_F(SimulatedModemTest, UnplugGoesOfflineAndPluggingInAgainComesBackOnline) {
    runUntil(rig.time.ticks() + 1000);
    bench.unplug();
    runUntil(rig.time.ticks() + 3000 + 2100);
    EXPECT_EQ(rig.status.text, "Offline");
    bench.plug();
    runUntil(rig.time.ticks() + 3100);
    EXPECT_EQ(rig.status.text, "Online");
    command("GET VERSION");
    EXPECT_EQ(answerTo("GET VERSION"), "!Version: 2.20");
}

TEST_F(SimulatedModemTest, TimedListeningReportsTrafficToTheFilter) {
    command("SET FILTER 0074");
    EXPECT_EQ(answerTo("SET FILTER 0074"), "!SET FILTER > OK ");
    const Tick t = rig.time.ticks();
    rig.time.schedule(t + 500, [this] {
        bench.firmware().injectTraffic({rig.time.ticks(), {0x74, 0x00}, {0x05}, true});
    });
    command("LISTEN 40", 4000);
    EXPECT_EQ(answerTo("LISTEN 40"), "!LISTEN > 0 74 5 ");
    command("LISTEN 5", 3000);
    EXPECT_EQ(answerTo("LISTEN 5"), "?LISTEN > Keine Daten zur Adresse vorhanden");
}

TEST_F(SimulatedModemTest, OpenEndedListeningDumpsUntilStop) {
    command("SET FILTER 0074");
    const Tick t = rig.time.ticks();
    for (int i = 0; i < 8; ++i) {
        rig.time.schedule(t + 1500 + static_cast<Tick>(i) * 200, [this, i] {
            bench.firmware().injectTraffic(
                {rig.time.ticks(), {0x74, 0x00}, {static_cast<std::uint8_t>(i), 0xAA, 0xBB}, true});
        });
    }
    rig.time.at(t + 9000, WindowEvent::StopButton);
    command("LISTEN 0", 14000);
    EXPECT_TRUE(consoleHas("0000  74 00 AA BB 74 01 AA BB 74 02 AA BB 74 03 AA BB "));
    EXPECT_TRUE(consoleHas("0010  74 04 AA BB 74 05 AA BB 74 06 AA BB 74 07 AA BB "));
    EXPECT_TRUE(consoleHas("!LISTEN - ENDE "));
    EXPECT_FALSE(rig.stop.visible);
    EXPECT_EQ(rig.status.text, "Online");
    command("GET VERSION");
    EXPECT_EQ(answerTo("GET VERSION"), "!Version: 2.20") << "the stop byte ended the stream";
}

TEST_F(SimulatedModemTest, InterruptFromThePortExpanderIsReported) {
    command("LDTB 0041 01");
    EXPECT_EQ(answerTo("LDTB 0041 01"), "!LDTB > OK");
    command("CHKINT EIN");
    EXPECT_EQ(answerTo("CHKINT EIN"), "CHKINT EIN > OK");
    const Tick t = rig.time.ticks();
    rig.time.schedule(t + 2000,
                      [this] { bench.firmware().setExpanderInputs(0xFE, rig.time.ticks()); });
    runUntil(t + 4000);
    EXPECT_TRUE(consoleHas("!BREAK on INT-Event "));
    EXPECT_TRUE(consoleHas("!CHKINT Addr: 041   Data: FE "));
    EXPECT_EQ(rig.status.text, "BUSSY");
    bool blinked = false;
    for (const auto& e : rig.status.history) {
        blinked = blinked || (e.text == "BUSSY" && e.background == colour::kGreen);
    }
    EXPECT_TRUE(blinked) << "the field goes on blinking after the event";
    command("CHKINT AUS");
    EXPECT_EQ(answerTo("CHKINT AUS"), "CHKINT AUS > OK");
    EXPECT_EQ(rig.status.text, "Online");
    EXPECT_EQ(rig.status.background, colour::kGreen);
}

TEST_F(SimulatedModemTest, InterruptFromASourceOutsideTheTableEndsMonitoring) {
    command("LDTB 0041 01");
    command("CHKINT EIN");
    const Tick t = rig.time.ticks();
    rig.time.schedule(t + 1000, [this] { bench.firmware().pulseInterrupt(rig.time.ticks()); });
    runUntil(t + 3000);
    EXPECT_TRUE(consoleHas("!CHKINT ERR: INT-Quelle nicht in Tabelle"));
    EXPECT_FALSE(terminal.program().InterruptWatch);
    EXPECT_EQ(rig.status.text, "Online");
}

TEST_F(SimulatedModemTest, UnplugInTheMiddleOfAnExchangeEndsInItsTimeout) {
    const Tick t = rig.time.ticks();
    rig.time.schedule(t + 12, [this] { bench.unplug(); });
    command("GET VERSION", 2500);
    EXPECT_EQ(rig.message.text, "Fehler beim Empfang der Daten!");
    runUntil(rig.time.ticks() + 3100);
    EXPECT_EQ(rig.status.text, "Offline");
    bench.plug();
    runUntil(rig.time.ticks() + 3100);
    command("RD 0073 02");
    EXPECT_EQ(answerTo("RD 0073 02").substr(0, 6), "!RD > ");
}

TEST_F(SimulatedModemTest, SilentModemTimesOutAndTheNextExchangeStillWorks) {
    bench.firmware().setSilent(true);
    command("GET INT", 2500);
    EXPECT_EQ(rig.message.text, "Fehler beim Auslesen der I2C-INT Leitung");
    EXPECT_EQ(rig.message.colour, colour::kErrorRed);
    bench.firmware().setSilent(false);
    command("GET INT");
    EXPECT_EQ(answerTo("GET INT"), "!GET INT > 1");
}

TEST_F(SimulatedModemTest, LateAnswerIsTakenByTheNextExchange) {
    bench.firmware().setLatency(2300);
    command("GET VERSION", 2100);
    EXPECT_EQ(rig.message.text, "Fehler beim Empfang der Daten!");
    bench.firmware().setLatency(2);
    runUntil(rig.time.ticks() + 500);
    // Nothing is discarded: the late version answer answers the next request.
    command("GET PULLUP", 1000);
    EXPECT_EQ(rig.message.text, "Fehler beim Auslesen des PULLUP-Stand");
    command("GET VERSION", 1000);
    EXPECT_EQ(answerTo("GET VERSION"), "") << "the pull-up answer is no version";
}

TEST_F(SimulatedModemTest, KeepAliveBringsAStreamOutOfStepBackIntoStep) {
    const std::uint8_t noise[] = {0x99, 0xFF, 0x13};
    bench.firmware().sendNoise(noise, rig.time.ticks());
    command("GET INT", 1000);
    EXPECT_EQ(rig.message.text, "Fehler beim Auslesen der I2C-INT Leitung");
    // The probe reads the answer GET INT left behind and fails; the reconnection that follows
    // opens the port afresh.
    runUntil(rig.time.ticks() + 3100);
    EXPECT_EQ(rig.status.text, "Offline");
    runUntil(rig.time.ticks() + 3100);
    EXPECT_EQ(rig.status.text, "Online");
    command("GET INT");
    EXPECT_EQ(answerTo("GET INT"), "!GET INT > 1");
}

}  // namespace
}  // namespace i2ct
