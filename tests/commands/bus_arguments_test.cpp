// The argument front half of WR, RD and LDTB as the user meets it: what each typed line sends,
// and every refusal with its echo line, its message and, for a bad character, the caret.

#include <gtest/gtest.h>

#include "command_rig.h"
#include "interpreter/hex.h"

namespace i2ct::test {
namespace {

using Lines = std::vector<Text>;

const Text kCaretError = cp1252(" An der Stelle  ^ steht ein nicht zulässiges Zeichen!");
const Text kAddressLength = cp1252("Die Adresse des Slave muß 2 Byte (4 Hexziffern) lang sein");
const Text kBitCleared =
    cp1252("In der Adresse ist das Bit 0 gelöscht! Dies bedeutet Schreiben nicht Lesen!");
const Text kReadTooLong =
    "READ-Befehl zu lang!    Beispiel:  #RD 0012 34  (0012 Adresse, 34 Anzahl Bytes)";

class BusArguments : public ::testing::Test {
  protected:
    // Runs a line whose refusal must leave the modem untouched.
    void refused(const Text& line) {
        r.enter(line);
        EXPECT_TRUE(r.rig.modem.written().empty()) << line;
    }
    bool isError() const { return r.rig.message.colour == colour::kErrorRed; }

    CommandRig r;
};

TEST_F(BusArguments, AcceptedLinesBecomeTheirRequests) {
    r.enter("WR 0072 DF 03 9E");
    r.enter("wr 0072 df 03 9e");
    r.enter("RD 0073 08");
    r.enter("LDTB 0073 04");
    r.enter("WRITE 0072 01 ");  // one blank at the end is accepted
    r.enter("READ 0073 08 ");   // 8 characters: the count and one blank
    EXPECT_EQ(r.rig.modem.frames(),
              (std::vector<Bytes>{{0x33, 0x05, 0x72, 0x00, 0xDF, 0x03, 0x9E, 0x04},
                                  {0x33, 0x05, 0x72, 0x00, 0xDF, 0x03, 0x9E, 0x04},
                                  {0x33, 0x03, 0x73, 0x00, 0x08, 0x04},
                                  {0x43, 0x03, 0x73, 0x00, 0x04, 0x04},
                                  {0x33, 0x03, 0x72, 0x00, 0x01, 0x04},
                                  {0x33, 0x03, 0x73, 0x00, 0x08, 0x04}}));
}

TEST_F(BusArguments, TheSecondAddressByteFollowsTheSlaveAddress) {
    r.enter("WR 12A4 55");
    r.enter("RD FE01 00");
    EXPECT_EQ(r.rig.modem.frames(), (std::vector<Bytes>{{0x33, 0x03, 0xA4, 0x12, 0x55, 0x04},
                                                        {0x33, 0x03, 0x01, 0xFE, 0x00, 0x04}}));
}

TEST_F(BusArguments, TheCommandWordIsRemovedWhereverItStands) {
    r.enter("WR   0072 WR");  // leaves "0072 ": an address without data
    EXPECT_EQ(r.reply(), (Lines{"?WR 0072 "}));
    EXPECT_EQ(r.rig.message.text, "Es fehlen die Daten die geschrieben werden sollen!");
    EXPECT_TRUE(r.rig.modem.written().empty());
}

TEST_F(BusArguments, EmptyArgumentsAskForAddressAndData) {
    refused("WR");
    EXPECT_EQ(r.reply(), (Lines{"?WR "}));
    EXPECT_EQ(r.rig.message.text, cp1252("Adresse und Daten müssen noch angegeben werden!    "
                                         "Beispiel:  #WR 0012 34 56 FF FD..."));
    EXPECT_FALSE(isError());
    refused("RD");
    EXPECT_EQ(r.reply(), (Lines{"?RD "}));
    EXPECT_EQ(r.rig.message.text, cp1252("Adresse und Anzahl müssen noch angegeben werden!    "
                                         "Beispiel:  #RD 0012 34"));
    refused("LOADTABLE");
    EXPECT_EQ(r.reply(), (Lines{"?LDTB "}));
    EXPECT_EQ(r.rig.message.text, cp1252("Adresse und Daten müssen noch angegeben werden!    "
                                         "Beispiel:  #LDTB 0012 04"));
}

TEST_F(BusArguments, ShortAddressesAreRefused) {
    refused("RD 72");
    EXPECT_EQ(r.reply(), (Lines{"?RD "}));
    EXPECT_EQ(r.rig.message.text, kAddressLength);
    refused("WR 007");
    EXPECT_EQ(r.reply(), (Lines{"?WR "}));
    EXPECT_EQ(r.rig.message.text, kAddressLength);
}

TEST_F(BusArguments, TheCaretStandsBelowTheOffendingCharacter) {
    refused("WR 0072 DX");
    EXPECT_EQ(r.reply(), (Lines{"?" + Text(9, ' ') + "^", "?WR 0072 D"}));
    EXPECT_EQ(r.rig.lines()[static_cast<std::size_t>(r.commandLine)].find('X'),
              r.reply()[0].find('^'));
    EXPECT_EQ(r.rig.message.text, kCaretError);
    EXPECT_TRUE(isError());

    refused("LDTB 0073 0X");
    EXPECT_EQ(r.reply(), (Lines{"?   " + Text(8, ' ') + "^", "?LDTB 0073 0"}));
    EXPECT_EQ(r.rig.lines()[static_cast<std::size_t>(r.commandLine)].find('X'),
              r.reply()[0].find('^'));

    refused("RD 0073 G8");
    EXPECT_EQ(r.reply(), (Lines{"?   " + Text(5, ' ') + "^", "?RD 0073 "}));
}

TEST_F(BusArguments, TheLongAliasesKeepTheShortFormsCaret) {
    refused("WRITE 0072 DX");
    EXPECT_EQ(r.reply(), (Lines{"?" + Text(9, ' ') + "^", "?WR 0072 D"}));
}

TEST_F(BusArguments, TabsAndForeignCharactersAreOffending) {
    refused("WR 0072\tDF");
    EXPECT_EQ(r.reply(), (Lines{"?" + Text(7, ' ') + "^", "?WR 0072"}));
    refused("WR 00" + cp1252("ä") + "2 DF");
    EXPECT_EQ(r.reply(), (Lines{"?" + Text(5, ' ') + "^", "?WR 00"}));
    EXPECT_EQ(r.rig.message.text, kCaretError);
}

TEST_F(BusArguments, AnOffendingCharacterFarBehindIsFoundToo) {
    Text data;
    for (int i = 0; i < 65; ++i) {
        data += " 11";
    }
    // Position 200 of the argument text: the address and 65 bytes take 199 characters.
    refused("WR 0072" + data + "X");
    EXPECT_EQ(r.reply(), (Lines{"?   " + Text(199, ' ') + "^", "?WR 0072" + data}));
    EXPECT_EQ(r.rig.message.text, kCaretError);
}

TEST_F(BusArguments, LayoutFaultsInTheAddress) {
    const Text message = "Die Adresse des Slave weist einen Fehler auf!    Beispiel: #WR 0012..";
    for (const Text line : {"WR 00720 DF", "WR 007 DF", "WR 00 72 DF"}) {
        refused(line);
        EXPECT_EQ(r.reply(), (Lines{"?WR "})) << line;
        EXPECT_EQ(r.rig.message.text, message) << line;
        EXPECT_FALSE(isError());
    }
    refused("RD 00730 08");
    EXPECT_EQ(r.rig.message.text,
              "Die Adresse des Slave weist einen Fehler auf!    Beispiel: #RD 0012..");
    refused("LDTB 00730 04");
    EXPECT_EQ(r.rig.message.text,
              "Die Adresse des Slave weist einen Fehler auf!    Beispiel: #LDTB 0012..");
}

TEST_F(BusArguments, LayoutFaultsBehindTheAddress) {
    const Text message =
        "Der Datenteil weist einen Fehler auf!    Beispiel: #WR 0012 0F DE 02 12 45....";
    for (const Text line : {"WR 0072 D", "WR 0072 DF3", "WR 0072  DF", "WR 0072 DF  "}) {
        refused(line);
        EXPECT_EQ(r.reply(), (Lines{"?WR "})) << line;
        EXPECT_EQ(r.rig.message.text, message) << line;
    }
    refused("RD 0073 8");
    EXPECT_EQ(r.rig.message.text,
              "Der Datenteil weist einen Fehler auf!    Beispiel: #RD 0012 0F DE 02 12 45....");
    refused("LDTB 0073 4");
    EXPECT_EQ(r.rig.message.text, "Der Datenteil weist einen Fehler auf!    Beispiel: #WR 0012 04");
}

TEST_F(BusArguments, TheReadWriteBitMustFitTheCommand) {
    refused("WR 0073 DF");
    EXPECT_EQ(r.reply(), (Lines{"?WR "}));
    EXPECT_EQ(r.rig.message.text,
              "In der Adresse ist das Bit 0 gesetzt! Dies bedeutet Lesen nicht Schreiben!");
    EXPECT_TRUE(isError());
    refused("RD 0072 08");
    EXPECT_EQ(r.reply(), (Lines{"?RD "}));
    EXPECT_EQ(r.rig.message.text, kBitCleared);
    refused("LDTB 0072 04");
    EXPECT_EQ(r.reply(), (Lines{"?LDTB "}));
    EXPECT_EQ(r.rig.message.text, kBitCleared);
    // The bit is judged before the missing data.
    refused("WR 0073");
    EXPECT_EQ(r.reply(), (Lines{"?WR "}));
    EXPECT_TRUE(isError());
}

TEST_F(BusArguments, AnAddressAloneAsksForWhatIsMissing) {
    refused("WR 0072");
    EXPECT_EQ(r.reply(), (Lines{"?WR 0072"}));
    EXPECT_EQ(r.rig.message.text, "Es fehlen die Daten die geschrieben werden sollen!");
    refused("WR 0072 ");
    EXPECT_EQ(r.reply(), (Lines{"?WR 0072 "}));
    refused("RD 0073");
    EXPECT_EQ(r.reply(), (Lines{"?RD 0073"}));
    EXPECT_EQ(r.rig.message.text, "Es fehlt die Anzahl der Bytes die gelesen werden sollen!");
    refused("LDTB 0073 ");
    EXPECT_EQ(r.reply(), (Lines{"?LDTB 0073 "}));
    EXPECT_EQ(r.rig.message.text,
              "Es fehlt die Anzahl der Bytes die bei einem Interrupt gelesen werden sollen!");
    EXPECT_FALSE(isError());
}

TEST_F(BusArguments, TheUserCompletesTheEchoLine) {
    refused("WR 0072");
    r.type(" 01 02");
    EXPECT_EQ(r.rig.modem.frames(),
              (std::vector<Bytes>{{0x33, 0x04, 0x72, 0x00, 0x01, 0x02, 0x04}}));
}

TEST_F(BusArguments, AtMost125DataBytesAreWritten) {
    Text data;
    for (int i = 0; i < 125; ++i) {
        data += " " + HexByteText(static_cast<std::uint8_t>(i));
    }
    r.enter("WR 0072" + data);
    ASSERT_EQ(r.rig.modem.frames().size(), 1u);
    const Bytes& frame = r.rig.modem.frames()[0];
    ASSERT_EQ(frame.size(), 130u);
    EXPECT_EQ(frame[1], 0x7F);
    EXPECT_EQ(frame[4], 0x00);
    EXPECT_EQ(frame[128], 124);
    EXPECT_EQ(frame[129], 0x04);

    r.rig.modem.clearRecord();
    refused("WR 0072" + data + " 7D");
    EXPECT_EQ(r.reply(), (Lines{"?WR "}));
    EXPECT_EQ(r.rig.message.text, cp1252("Es dürfen max. 128 Byte auf einmal geschrieben werden!"));
}

TEST_F(BusArguments, ReadAndTableLinesHaveALengthLimit) {
    refused("RD 0073 08 09");
    EXPECT_EQ(r.reply(), (Lines{"?RD "}));
    EXPECT_EQ(r.rig.message.text, kReadTooLong);
    refused("LDTB 0073 04 05");
    EXPECT_EQ(r.reply(), (Lines{"?LDTB "}));
    EXPECT_EQ(r.rig.message.text,
              "Befehl zu lang!    Beispiel:  #LDTB 0012 04  (0012 Adresse, "
              "04 max. Anzahl Bytes)");
}

TEST_F(BusArguments, ATooLongFaultyLineGetsBothReports) {
    refused("RD 0073 0X 12");
    // The second echo line lands in the line the first one filled.
    EXPECT_EQ(r.reply(), (Lines{"?" + Text(9, ' ') + "^", "?RD 0073 0?RD "}));
    const Lines shown = r.messages();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0], kCaretError);
    EXPECT_EQ(shown[1], kReadTooLong);
}

TEST_F(BusArguments, ReadCountsAboveOneFrameAreRefused) {
    refused("RD 0073 80");
    EXPECT_EQ(r.reply(), (Lines{"?RD "}));
    EXPECT_EQ(r.rig.message.text, cp1252("Es dürfen max. 127 Byte auf einmal gelesen werden!"));
    refused("RD 0073 FF");
    EXPECT_EQ(r.rig.message.text, cp1252("Es dürfen max. 127 Byte auf einmal gelesen werden!"));
    r.enter("RD 0073 7F");
    r.enter("RD 0073 00");
    r.enter("LDTB 0073 FF");  // the modem judges table counts itself
    EXPECT_EQ(r.rig.modem.frames(), (std::vector<Bytes>{{0x33, 0x03, 0x73, 0x00, 0x7F, 0x04},
                                                        {0x33, 0x03, 0x73, 0x00, 0x00, 0x04},
                                                        {0x43, 0x03, 0x73, 0x00, 0xFF, 0x04}}));
}

TEST_F(BusArguments, EveryBusCommandPostponesTheKeepAlive) {
    r.rig.time.advanceTo(50000);
    refused("RD 0072 08");
    EXPECT_EQ(r.p.LastExchangeTime, 50000u);
    r.rig.time.advanceTo(60000);
    refused("LDTB 72");
    EXPECT_EQ(r.p.LastExchangeTime, 60000u);
}

}  // namespace
}  // namespace i2ct::test
