// WR and RD after their arguments were accepted: the wait with its turning character and its
// cycle limit, and the OK, failure and timeout lines.

#include <gtest/gtest.h>

#include "buscommands/answer_wait.h"
#include "command_rig.h"
#include "modem/status_text.h"

namespace i2ct::test {
namespace {

using Lines = std::vector<Text>;

const Text kTimeout = "Timeout bei warten auf den Antwort des Modems!";
const Text kNoModem = "Frame kann nicht gesedet werden!   - KEIN MODEM!";
const Text kWriteProgress = cp1252("Datenübertragung zu Slave läuft bitte warten :  ");
const Text kReadProgress = cp1252("Lesen der Daten läuft bitte warten :  ");

using test::countStartingWith;

// A write of 125 data bytes: the length byte 127.
Text longestWrite() {
    Text line = "WR 0072";
    for (int i = 0; i < 125; ++i) {
        line += " 5A";
    }
    return line;
}

TEST(WriteCycleLimit, GrowsWithTheTransferTimeOnTheBus) {
    EXPECT_EQ(WriteCycleLimit(100000, 127), 10);
    EXPECT_EQ(WriteCycleLimit(40, 127), 200);
    EXPECT_EQ(WriteCycleLimit(7621, 127), 10);
    EXPECT_EQ(WriteCycleLimit(7620, 127), 11);
    EXPECT_EQ(WriteCycleLimit(38, 127), 210);
    EXPECT_EQ(WriteCycleLimit(350000, 3), 10);
}

TEST(WriteCycleLimit, AnUnknownClockCountsAsTheSlowest) {
    EXPECT_EQ(WriteCycleLimit(0, 127), WriteCycleLimit(38, 127));
    EXPECT_EQ(WriteCycleLimit(0, 3), WriteCycleLimit(38, 3));
}

class WriteAndRead : public ::testing::Test {
  protected:
    void noAnswers() {
        r.rig.modem.responder = [](const Bytes&) { return Bytes{}; };
    }
    void answer(Bytes bytes) {
        r.rig.modem.responder = [bytes](const Bytes&) { return bytes; };
    }
    CommandRig r;
};

TEST_F(WriteAndRead, AConfirmedWriteSaysOk) {
    r.p.busClock = 100000;
    r.enter("WR 0072 DF 03 9E");
    EXPECT_EQ(r.rig.modem.frames(),
              (std::vector<Bytes>{{0x33, 0x05, 0x72, 0x00, 0xDF, 0x03, 0x9E, 0x04}}));
    EXPECT_EQ(r.reply(), (Lines{"!WR > OK ", "#"}));
    EXPECT_EQ(r.rig.message.text, " ");
}

TEST_F(WriteAndRead, ARefusedWriteShowsTheStatusText) {
    answer({0x39, 0x01, 0x20, 0x04});
    r.enter("WR 0030 01");
    EXPECT_EQ(r.reply(), (Lines{"!WR  Fehler: Slave reagiert nicht", "#"}));
    EXPECT_EQ(r.rig.message.text, " ");
}

TEST_F(WriteAndRead, TheProgressCharacterTurnsInItsOrder) {
    noAnswers();
    r.p.busClock = 100000;
    r.enter("WR 0072 01");
    const Lines shown = r.messages();
    ASSERT_GE(shown.size(), 5u);
    EXPECT_EQ(shown[0], kWriteProgress + "/");
    EXPECT_EQ(shown[1], kWriteProgress + "-");
    EXPECT_EQ(shown[2], kWriteProgress + "\\");
    EXPECT_EQ(shown[3], kWriteProgress + "|");
    EXPECT_EQ(shown[4], kWriteProgress + "/");
}

TEST_F(WriteAndRead, AnUnansweredWriteTimesOutAfterItsCycleLimit) {
    noAnswers();
    r.p.busClock = 100000;
    r.enter(longestWrite());
    const Lines shown = r.messages();
    EXPECT_EQ(countStartingWith(shown, kWriteProgress), 11u);
    ASSERT_GE(shown.size(), 2u);
    EXPECT_EQ(shown[shown.size() - 2], " ");
    EXPECT_EQ(shown.back(), kTimeout);
    EXPECT_EQ(r.rig.message.colour, colour::kErrorRed);
    EXPECT_EQ(r.reply(), (Lines{"?WR > ERROR ", "#"}));
}

TEST_F(WriteAndRead, ASlowBusClockWaitsLonger) {
    noAnswers();
    r.p.busClock = 40;
    r.enter(longestWrite());
    EXPECT_EQ(countStartingWith(r.messages(), kWriteProgress), 201u);
}

TEST_F(WriteAndRead, BeforeTheClockIsKnownAWriteWaitsAsLongAsTheSlowestClockNeeds) {
    noAnswers();
    r.p.busClock = 0;
    r.enter(longestWrite());
    EXPECT_EQ(countStartingWith(r.messages(), kWriteProgress), 211u);
    EXPECT_EQ(r.reply(), (Lines{"?WR > ERROR ", "#"}));
}

TEST_F(WriteAndRead, TheLimitIsCountedInCycles) {
    noAnswers();
    r.p.busClock = 100000;
    // Each cycle takes 160 ms: the tenth count of waiting bytes falls at 1600 ms, the eleventh
    // at 1760 ms.
    r.rig.modem.inject(r.rig.time.ticks() + 1590, {0x3A, 0x00, 0x04});
    r.enter("WR 0072 01");
    EXPECT_EQ(r.reply(), (Lines{"!WR > OK ", "#"}));

    r.rig.modem.inject(r.rig.time.ticks() + 1700, {0x3A, 0x00, 0x04});
    r.enter("WR 0072 01");
    EXPECT_EQ(r.reply(), (Lines{"?WR > ERROR ", "#"}));
    EXPECT_EQ(r.rig.modem.waiting(), 3u);
}

TEST_F(WriteAndRead, WithoutAModemTheWriteSpinsToItsTimeout) {
    r.p.ModemFound = false;
    r.p.port.reset();
    r.p.busClock = 100000;
    r.enter("WR 0072 DF");
    const Lines shown = r.messages();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.front(), kNoModem);
    EXPECT_EQ(countStartingWith(shown, kWriteProgress), 11u);
    EXPECT_EQ(shown.back(), kTimeout);
    EXPECT_EQ(r.reply(), (Lines{"?WR > ERROR ", "#"}));
}

TEST_F(WriteAndRead, EveryWriteEndsByPostponingTheKeepAlive) {
    r.p.busClock = 100000;
    r.enter("WR 0072 01");
    EXPECT_EQ(r.p.LastExchangeTime, r.rig.time.ticks());
    r.rig.time.advanceTo(r.rig.time.ticks() + 10000);
    r.enter("WR 0073 01");
    EXPECT_EQ(r.p.LastExchangeTime, r.rig.time.ticks());
}

TEST_F(WriteAndRead, AReadPrintsEveryByteWithTwoDigitsAndABlank) {
    answer({0x3A, 0x08, 0x01, 0x02, 0x0A, 0x10, 0xFF, 0x00, 0x7F, 0x80, 0x04});
    r.enter("RD 0073 08");
    EXPECT_EQ(r.rig.modem.frames(), (std::vector<Bytes>{{0x33, 0x03, 0x73, 0x00, 0x08, 0x04}}));
    EXPECT_EQ(r.reply(), (Lines{"!RD > 01 02 0A 10 FF 00 7F 80 ", "#"}));
    EXPECT_EQ(r.messages().front(), kReadProgress + "/");
    EXPECT_EQ(r.rig.message.text, " ");
}

TEST_F(WriteAndRead, AReadWithoutDataPrintsThePrefixAlone) {
    answer({0x3A, 0x00, 0x04});
    r.enter("RD 0073 00");
    EXPECT_EQ(r.reply(), (Lines{"!RD > ", "#"}));
    answer({0x3A, 0x80, 0x04});
    r.enter("RD 0073 01");
    EXPECT_EQ(r.reply(), (Lines{"!RD > ", "#"}));
}

TEST_F(WriteAndRead, ARefusedReadShowsTheStatusText) {
    answer({0x39, 0x01, 0x22, 0x04});
    r.enter("RD 0073 02");
    EXPECT_EQ(r.reply(), (Lines{"!RD  Fehler: Timeout beim Clock-Stretch", "#"}));
    answer({0x39, 0x01, 0x77, 0x04});
    r.enter("RD 0073 02");
    EXPECT_EQ(r.reply(), (Lines{"!RD  Fehler: allgemeiner Fehler", "#"}));
}

TEST_F(WriteAndRead, AReadWaitsTenCyclesWhateverTheClock) {
    noAnswers();
    r.p.busClock = 40;
    r.enter("RD 0073 7F");
    EXPECT_EQ(countStartingWith(r.messages(), kReadProgress), 11u);
    EXPECT_EQ(r.reply(), (Lines{"?RD > ERROR ", "#"}));
    EXPECT_EQ(r.rig.message.text, kTimeout);
}

TEST_F(WriteAndRead, WithoutAModemTheReadTimesOut) {
    r.p.ModemFound = false;
    r.p.port.reset();
    r.enter("RD 0073 08");
    EXPECT_EQ(r.messages().front(), kNoModem);
    EXPECT_EQ(countStartingWith(r.messages(), kReadProgress), 11u);
    EXPECT_EQ(r.reply(), (Lines{"?RD > ERROR ", "#"}));
    EXPECT_EQ(r.rig.message.text, kTimeout);
}

}  // namespace
}  // namespace i2ct::test
