// LDTB and CLTB: the interrupt source table lives in the modem; the program sends the entry or
// the clearing request and prints what the modem answers.

#include <gtest/gtest.h>

#include "command_rig.h"

namespace i2ct::test {
namespace {

using Lines = std::vector<Text>;

const Text kTimeout = "Timeout bei warten auf den Antwort des Modems!";
const Text kNoModem = "Frame kann nicht gesedet werden!   - KEIN MODEM!";

class Table : public ::testing::Test {
  protected:
    void answer(Bytes bytes) {
        r.rig.modem.responder = [bytes](const Bytes&) { return bytes; };
    }
    CommandRig r;
};

TEST_F(Table, AnEntryIsSentAndConfirmed) {
    r.enter("LDTB 0073 04");
    EXPECT_EQ(r.rig.modem.frames(), (std::vector<Bytes>{{0x43, 0x03, 0x73, 0x00, 0x04, 0x04}}));
    EXPECT_EQ(r.reply(), (Lines{"!LDTB > OK", "#"}));
}

TEST_F(Table, TheModemJudgesCountsAndTheTableSize) {
    answer({0x49, 0x01, 0x47, 0x04});
    r.enter("LDTB 0073 05");
    EXPECT_EQ(r.rig.modem.frames(), (std::vector<Bytes>{{0x43, 0x03, 0x73, 0x00, 0x05, 0x04}}));
    EXPECT_EQ(r.reply(), (Lines{"!LDTB  Fehler: Es sind max. 4 Leseoperationen erlaubt", "#"}));
    answer({0x49, 0x01, 0x45, 0x04});
    r.enter("LOADTABLE 0075 01");
    EXPECT_EQ(r.reply(), (Lines{"!LDTB  Fehler: Die IS-Tabelle ist voll", "#"}));
}

TEST_F(Table, TableRequestsShowNoProgress) {
    r.enter("LDTB 0073 04");
    r.enter("CLTB");
    EXPECT_TRUE(r.rig.message.history.empty());
}

TEST_F(Table, ClearingIgnoresWhatFollowsTheCommandWord) {
    r.enter("CLTB 0073");
    r.enter("cleartable");
    EXPECT_EQ(r.rig.modem.frames(), (std::vector<Bytes>{{0x44, 0x00, 0x04}, {0x44, 0x00, 0x04}}));
    EXPECT_EQ(r.reply(), (Lines{"!CLTB > OK", "#"}));
}

TEST_F(Table, ARefusedClearingShowsTheStatusText) {
    answer({0x49, 0x01, 0x48, 0x04});
    r.enter("CLTB");
    EXPECT_EQ(r.reply(),
              (Lines{cp1252("!CLTB  Fehler: Fehler beim Kommando Tabelle löschen"), "#"}));
}

TEST_F(Table, WithoutAModemBothTimeOutAfterTwentyOneCycles) {
    r.p.ModemFound = false;
    r.p.port.reset();
    Tick start = r.rig.time.ticks();
    r.enter("LDTB 0073 04");
    EXPECT_EQ(r.reply(), (Lines{"?LDTB > ERROR ", "#"}));
    EXPECT_EQ(r.messages(), (Lines{kNoModem, kTimeout}));
    EXPECT_EQ(r.rig.time.ticks() - start, 21u * 160u);

    start = r.rig.time.ticks();
    r.enter("CLTB");
    EXPECT_EQ(r.reply(), (Lines{"?CLTB > ERROR ", "#"}));
    EXPECT_EQ(r.messages(), (Lines{kNoModem, kTimeout}));
    EXPECT_EQ(r.rig.time.ticks() - start, 21u * 160u);
}

TEST_F(Table, AnAnswerInTheTwentyFirstCycleStaysQueued) {
    r.rig.modem.responder = [](const Bytes&) { return Bytes{}; };
    r.rig.modem.inject(r.rig.time.ticks() + 20 * 160 + 50, {0x4A, 0x00, 0x04});
    r.enter("CLTB");
    EXPECT_EQ(r.reply(), (Lines{"?CLTB > ERROR ", "#"}));
    EXPECT_EQ(r.rig.modem.waiting(), 3u);
}

}  // namespace
}  // namespace i2ct::test
