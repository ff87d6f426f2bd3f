// SET FILTER and LISTEN: the filter request, timed listening with its passes and its answers,
// and open-ended listening with the STOP button, the dump lines and the single end byte.

#include <gtest/gtest.h>

#include <algorithm>

#include "command_rig.h"
#include "linecommands/listen.h"
#include "modem/status_text.h"

namespace i2ct::test {
namespace {

using Lines = std::vector<Text>;

const Text kTimedProgress = "Modem lauscht, bitte warten :  ";
const Text kOpenProgress =
    cp1252("Modem lauscht, zum Beenden der Funktion STOP-Button drücken :  ");
const Text kTimeRange = " minimale Zeit = 0 / maximale Zeit = 255";
const Text kNoFilter = cp1252("?LISTEN > Es wurde kein gültiger Filter gesetzt");

using test::countStartingWith;

Bytes counting(std::size_t n) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) {
        b[i] = static_cast<std::uint8_t>(i);
    }
    return b;
}

class Listening : public ::testing::Test {
  protected:
    // A modem that answers every listen request with these bytes.
    void listenAnswer(Bytes bytes) {
        r.rig.modem.responder = [bytes](const Bytes& f) {
            return f[0] == 0x42 ? bytes : StandardAnswer(f);
        };
    }
    std::vector<Text> statusTexts() const {
        std::vector<Text> texts;
        for (const auto& e : r.rig.status.history) {
            texts.push_back(e.text);
        }
        return texts;
    }
    CommandRig r;
};

TEST(ListenTickLimit, FollowsTheListeningTime) {
    EXPECT_EQ(ListenTickLimit(125), 65);
    EXPECT_EQ(ListenTickLimit(1), 0);
    EXPECT_EQ(ListenTickLimit(255), 133);
    EXPECT_EQ(ListenTickLimit(5), 3);
    for (int t = 0; t <= 255; ++t) {
        EXPECT_EQ(ListenTickLimit(static_cast<std::uint8_t>(t)), (52 * t + 40) / 100) << t;
    }
}

TEST_F(Listening, TheFilterGoesOutLowByteFirst) {
    r.enter("SET FILTER 0074");
    EXPECT_EQ(r.rig.modem.frames(), (std::vector<Bytes>{{0x41, 0x02, 0x74, 0x00, 0x04}}));
    EXPECT_EQ(r.reply(), (Lines{"!SET FILTER > OK ", "#"}));
    r.enter("set fil a1B2");
    EXPECT_EQ(r.rig.modem.frames().back(), (Bytes{0x41, 0x02, 0xB2, 0xA1, 0x04}));
}

TEST_F(Listening, AFilterPairBeginningWithABlankIsZero) {
    r.enter("SET FILTER 0 74");
    r.enter("SET FILTER 4  7");
    EXPECT_EQ(r.rig.modem.frames(),
              (std::vector<Bytes>{{0x41, 0x02, 0x74, 0x00, 0x04}, {0x41, 0x02, 0x00, 0x04, 0x04}}));
}

TEST_F(Listening, BadFilterAddressesAreNotSent) {
    for (const Text line : {"SET FILTER 74", "SET FILTER 00745", "SET FILTER 00G4", "SET FIL"}) {
        r.enter(line);
        EXPECT_EQ(r.reply(), (Lines{"?SET FILTER "})) << line;
        EXPECT_EQ(r.rig.message.text, " Adresse nicht erkannt") << line;
        EXPECT_EQ(r.rig.message.colour, colour::kErrorRed);
    }
    EXPECT_TRUE(r.rig.modem.written().empty());
}

TEST_F(Listening, ARefusedOrUnansweredFilterShowsTheStatusText) {
    r.rig.modem.responder = [](const Bytes&) { return Bytes{0x49, 0x01, 0x03, 0x04}; };
    r.enter("SET FILTER 0074");
    EXPECT_EQ(r.reply(), (Lines{"!SET FILTER  Fehler: Kommando nicht bekannt", "#"}));
    r.rig.modem.responder = [](const Bytes&) { return Bytes{}; };
    r.enter("SET FILTER 0074");
    EXPECT_EQ(r.reply(), (Lines{"!SET FILTER  Fehler: allgemeiner Fehler", "#"}));
}

TEST_F(Listening, Listen125MakesItsSixtySixPasses) {
    listenAnswer({});
    r.enter("LISTEN 125");
    EXPECT_EQ(r.rig.modem.frames(), (std::vector<Bytes>{{0x42, 0x01, 0x7D, 0x04}}));
    const Lines shown = r.messages();
    EXPECT_EQ(countStartingWith(shown, kTimedProgress), 66u);
    ASSERT_GE(shown.size(), 5u);
    EXPECT_EQ(shown[0], kTimedProgress + "/");
    EXPECT_EQ(shown[1], kTimedProgress + "-");
    EXPECT_EQ(shown[2], kTimedProgress + "\\");
    EXPECT_EQ(shown[3], kTimedProgress + "|");
    EXPECT_EQ(shown[4], kTimedProgress + "/");
    // Nothing came: the reply wait reports its own timeout and nothing is printed.
    EXPECT_EQ(shown.back(), "Fehler beim Empfang der Daten!");
    EXPECT_EQ(r.reply(), (Lines{""}));
    EXPECT_EQ(statusTexts(), (Lines{"BUSSY", "Online"}));
    EXPECT_EQ(r.rig.status.background, colour::kGreen);
}

TEST_F(Listening, Listen1MakesOnePass) {
    listenAnswer({0x49, 0x01, 0x43, 0x04});
    r.enter("LIS 1");
    EXPECT_EQ(countStartingWith(r.messages(), kTimedProgress), 1u);
    EXPECT_EQ(r.reply(), (Lines{"?LISTEN > Keine Daten zur Adresse vorhanden", "#"}));
}

TEST_F(Listening, TimedAnswersArePrinted) {
    listenAnswer({0x4A, 0x03, 0x00, 0x73, 0x05, 0x04});
    r.enter("LISTEN 5");
    EXPECT_EQ(r.reply(), (Lines{"!LISTEN > 0 73 5 ", "#"}));
    EXPECT_EQ(r.rig.message.text, " ");

    listenAnswer({0x49, 0x01, 0x41, 0x04});
    r.enter("LISTEN 5");
    EXPECT_EQ(r.reply(), (Lines{kNoFilter, "#"}));

    listenAnswer({0x4B, 0x02, 0xA0, 0x0F, 0x04});
    r.enter("LISTEN 5");
    EXPECT_EQ(r.reply(),
              (Lines{cp1252("!LISTEN I2C-Fehler! Daten sind unvollständig! > A0 F "), "#"}));
}

TEST_F(Listening, OtherStatusCodesOfATimedListenAreReported) {
    listenAnswer({0x49, 0x01, 0x42, 0x04});
    r.enter("LISTEN 5");
    EXPECT_EQ(r.reply(), (Lines{"!LISTEN  Fehler: " + StatusText(0x42), "#"}));
}

TEST_F(Listening, AnUnknownTimedAnswerPrintsNothing) {
    listenAnswer({0x3A, 0x00, 0x04});
    r.enter("LISTEN 5");
    EXPECT_EQ(r.reply(), (Lines{""}));
}

TEST_F(Listening, BadTimesAreRefused) {
    for (const Text line : {"LISTEN 256", "LISTEN 1000", "LISTEN"}) {
        r.enter(line);
        EXPECT_EQ(r.reply(), (Lines{"?LISTEN "})) << line;
        EXPECT_EQ(r.rig.message.text, kTimeRange) << line;
    }
    EXPECT_TRUE(r.rig.modem.written().empty());
}

TEST_F(Listening, ABadCharacterGetsTheCaret) {
    r.enter("LISTEN 12X");
    EXPECT_EQ(r.reply(), (Lines{"?     ^", "?LISTEN 12"}));
    EXPECT_EQ(r.rig.message.text, cp1252(" An der Stelle  ^ steht ein nicht zulässiges Zeichen!"));
    EXPECT_TRUE(r.rig.modem.written().empty());
}

// Open-ended listening: the modem acknowledges with three bytes, then streams raw data.
class OpenListening : public Listening {
  protected:
    OpenListening() { listenAnswer({0x4A, 0x00, 0x04}); }
    void stopAt(Tick t) { r.rig.time.at(t, WindowEvent::StopButton); }
};

TEST_F(OpenListening, FortyBytesGiveTwoDumpLinesAndLeaveEightQueued) {
    const Tick start = r.rig.time.ticks();
    r.rig.modem.inject(start + 3000, counting(40));
    stopAt(start + 12000);
    r.enter("LISTEN 0");
    EXPECT_EQ(r.reply(), (Lines{"0000  00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F ", "",
                                "0010  10 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F ",
                                "!LISTEN - ENDE ", "#"}));
    EXPECT_EQ(r.rig.modem.waiting(), 8u);
}

TEST_F(OpenListening, StopSendsExactlyOneEndByte) {
    stopAt(r.rig.time.ticks() + 5000);
    r.enter("LISTEN 0");
    EXPECT_EQ(r.rig.modem.written(), (Bytes{0x42, 0x01, 0x00, 0x04, 0x04}));
    EXPECT_EQ(r.reply(), (Lines{"!LISTEN - ENDE ", "", "#"}));
    EXPECT_EQ(r.rig.message.text, " ");
}

TEST_F(OpenListening, TheStopButtonAndTheStatusFieldShowTheListening) {
    stopAt(r.rig.time.ticks() + 5000);
    r.enter("LISTEN 0");
    EXPECT_EQ(r.rig.stop.changes, 2);
    EXPECT_FALSE(r.rig.stop.visible);
    EXPECT_EQ(statusTexts(), (Lines{"BUSSY", "Online"}));
    EXPECT_EQ(r.rig.status.background, colour::kGreen);
    const Lines shown = r.messages();
    ASSERT_GE(shown.size(), 3u);
    EXPECT_EQ(shown[0], kOpenProgress + "/");
    EXPECT_EQ(shown[1], kOpenProgress + "-");
    EXPECT_EQ(shown.back(), " ");
}

TEST_F(OpenListening, AClickWhileTheButtonAppearsIsLost) {
    const Tick start = r.rig.time.ticks();
    // The button shows from the acknowledgement on, but the passes only begin 1.2 s later.
    stopAt(start + 500);
    stopAt(start + 1250);
    stopAt(start + 5000);
    r.enter("LISTEN 0");
    EXPECT_EQ(r.rig.time.pendingEvents(), 0u);
    // Stopped by the third click: about one pass every 500 ms from 1.3 s to 5 s.
    EXPECT_GE(countStartingWith(r.messages(), kOpenProgress), 7u);
    EXPECT_EQ(r.rig.modem.written(), (Bytes{0x42, 0x01, 0x00, 0x04, 0x04}));
}

TEST_F(OpenListening, OnlyThePassesLookForTheStopButton) {
    stopAt(r.rig.time.ticks() + 5000);
    r.enter("LISTEN 0");
    std::vector<WaitPolicy> policies;
    for (const auto& w : r.rig.time.waits()) {
        if (w.timeoutMs == 100) {
            policies.push_back(w.policy);
        }
    }
    // Twelve waits while the button appears, then the passes, then eleven after the end byte.
    ASSERT_GT(policies.size(), 23u);
    const auto passesBegin = policies.begin() + 12;
    const auto passesEnd = policies.end() - 11;
    EXPECT_EQ(std::count(policies.begin(), passesBegin, WaitPolicy::Command), 12);
    EXPECT_EQ(std::count(passesBegin, passesEnd, WaitPolicy::Listen), passesEnd - passesBegin);
    EXPECT_EQ(std::count(passesEnd, policies.end(), WaitPolicy::Command), 11);
}

TEST_F(OpenListening, ListeningGoesOnUntilStop) {
    stopAt(r.rig.time.ticks() + 30000);
    r.enter("LISTEN 0");
    // About one pass every 500 ms from the end of the start-up waits to the click.
    EXPECT_GE(countStartingWith(r.messages(), kOpenProgress), 50u);
    EXPECT_EQ(r.rig.modem.written(), (Bytes{0x42, 0x01, 0x00, 0x04, 0x04}));
}

TEST_F(OpenListening, HexLettersListenOpenEnded) {
    stopAt(r.rig.time.ticks() + 5000);
    r.enter("LISTEN FF");
    EXPECT_EQ(r.rig.modem.frames().front(), (Bytes{0x42, 0x01, 0x00, 0x04}));
    EXPECT_EQ(r.reply().front(), "!LISTEN - ENDE ");
}

TEST_F(OpenListening, OtherInputIsDroppedWhileListening) {
    const Tick start = r.rig.time.ticks();
    bool clicked = false;
    r.rig.time.at(start + 4000, WindowEvent::HelpButton, [&] { clicked = true; });
    stopAt(start + 6000);
    r.enter("LISTEN 0");
    EXPECT_FALSE(clicked);
    EXPECT_EQ(r.rig.time.pendingEvents(), 0u);
    EXPECT_EQ(r.rig.modem.written().size(), 5u);
}

TEST_F(OpenListening, NoAcknowledgementFailsToStart) {
    listenAnswer({});
    r.enter("LISTEN 0");
    EXPECT_EQ(r.reply(), (Lines{"?LISTEN > Fehler beim Starten der Funktion", "#"}));
    EXPECT_FALSE(r.rig.stop.visible);
    EXPECT_TRUE(r.rig.status.history.empty());
    EXPECT_EQ(r.rig.modem.written(), (Bytes{0x42, 0x01, 0x00, 0x04}));
}

TEST_F(OpenListening, WithoutAFilterTheModemSaysSo) {
    listenAnswer({0x49, 0x01, 0x41, 0x04});
    r.enter("LISTEN 0");
    EXPECT_EQ(r.reply(), (Lines{kNoFilter, "#"}));
}

TEST_F(OpenListening, MoreThanTheFrameBufferHoldsStaysQueued) {
    listenAnswer(counting(300));
    r.enter("LISTEN 0");
    EXPECT_EQ(r.reply(), (Lines{"?LISTEN > Fehler beim Starten der Funktion", "#"}));
    EXPECT_EQ(r.rig.modem.waiting(), 300u - kFrameBufferSize);
    EXPECT_EQ(r.p.frame[251], 251);
}

}  // namespace
}  // namespace i2ct::test
