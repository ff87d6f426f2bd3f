// The line signal and pull-up commands: which bit of the modem's state byte each one shows, and
// how the SET commands change the line-state byte in place and write it back.

#include <gtest/gtest.h>

#include "command_rig.h"
#include "linecommands/line_commands.h"

namespace i2ct::test {
namespace {

using Lines = std::vector<Text>;

class LineSignals : public ::testing::Test {
  protected:
    // A modem whose line read reports `lines` and pull-up read reports `pullups`.
    void modemState(std::uint8_t lines, std::uint8_t pullups = 0x80) {
        r.rig.modem.responder = [lines, pullups](const Bytes& f) {
            if (f[0] == 0x32) {
                return Bytes{0x3A, 0x01, lines, 0x04};
            }
            if (f[0] == 0x21 && f[1] == 0) {
                return Bytes{0x2A, 0x01, pullups, 0x04};
            }
            return StandardAnswer(f);
        };
    }
    // The line write request the last SET sent.
    Bytes lineWrite() const {
        const auto& frames = r.rig.modem.frames();
        return frames.empty() ? Bytes{} : frames.back();
    }
    CommandRig r;
};

TEST_F(LineSignals, GetShowsOneBitOfTheLineState) {
    modemState(0x05);
    r.enter("GET SDA");
    EXPECT_EQ(r.reply(), (Lines{"!GET SDA > 1", "#"}));
    r.enter("GET SCL");
    EXPECT_EQ(r.reply(), (Lines{"!GET SCL > 0", "#"}));
    r.enter("get int");
    EXPECT_EQ(r.reply(), (Lines{"!GET INT > 1", "#"}));
    EXPECT_EQ(r.rig.modem.frames(), (std::vector<Bytes>(3, Bytes{0x32, 0x00, 0x04})));
}

TEST_F(LineSignals, GetPullupShowsBitSeven) {
    modemState(0x00, 0x80);
    r.enter("GET PULLUP");
    EXPECT_EQ(r.reply(), (Lines{"!PULLUP > EIN", "#"}));
    modemState(0x00, 0x7F);
    r.enter("GET PUL");
    EXPECT_EQ(r.reply(), (Lines{"!PULLUP > AUS", "#"}));
    EXPECT_EQ(r.rig.modem.frames(), (std::vector<Bytes>(2, Bytes{0x21, 0x00, 0x04})));
}

TEST_F(LineSignals, AFailedGetNamesItsLine) {
    r.rig.modem.responder = [](const Bytes&) { return Bytes{0x2A, 0x00, 0x04}; };
    r.enter("GET INT");
    EXPECT_EQ(r.rig.message.text, "Fehler beim Auslesen der I2C-INT Leitung");
    r.enter("GET SCL");
    EXPECT_EQ(r.rig.message.text, "Fehler beim Auslesen der I2C-SCL Leitung");
    r.enter("GET SDA");
    EXPECT_EQ(r.rig.message.text, "Fehler beim Auslesen der I2C-SDA Leitung");
    r.rig.modem.responder = [](const Bytes&) { return Bytes{0x3A, 0x00, 0x04}; };
    r.enter("GET PULLUP");
    EXPECT_EQ(r.rig.message.text, "Fehler beim Auslesen des PULLUP-Stand");
    EXPECT_EQ(r.rig.message.colour, colour::kErrorRed);
}

TEST_F(LineSignals, AnUnansweredGetEndsWithItsOwnMessage) {
    r.rig.modem.responder = [](const Bytes&) { return Bytes{}; };
    r.enter("GET SDA");
    EXPECT_EQ(r.messages(), (Lines{"Modem antwortet nicht!", "Fehler beim Empfang der Daten!",
                                   "Fehler beim Auslesen der I2C-SDA Leitung"}));
}

TEST_F(LineSignals, SetChangesOnlyItsBitAndKeepsTheOthers) {
    modemState(0xFF);
    r.enter("SET SDA 0");
    EXPECT_EQ(lineWrite(), (Bytes{0x31, 0x01, 0x06, 0x04}));
    EXPECT_EQ(r.reply(), (Lines{"!SET SDA > OK", "#"}));
    modemState(0xF0);
    r.enter("SET SDA 1");
    EXPECT_EQ(lineWrite(), (Bytes{0x31, 0x01, 0xF1, 0x04}));
    modemState(0x0F);
    r.enter("SET INT 0");
    EXPECT_EQ(lineWrite(), (Bytes{0x31, 0x01, 0x03, 0x04}));
    EXPECT_EQ(r.reply(), (Lines{"!SET INT > OK", "#"}));
    modemState(0xF0);
    r.enter("SET INT 1");
    EXPECT_EQ(lineWrite(), (Bytes{0x31, 0x01, 0xF4, 0x04}));
    modemState(0xFF);
    r.enter("SET SCL 0");
    EXPECT_EQ(lineWrite(), (Bytes{0x31, 0x01, 0x05, 0x04}));
    EXPECT_EQ(r.reply(), (Lines{"!SET SCL > OK", "#"}));
    modemState(0x00);
    r.enter("set scl 1");
    EXPECT_EQ(lineWrite(), (Bytes{0x31, 0x01, 0x02, 0x04}));
}

TEST_F(LineSignals, SetReadsTheLinesFirst) {
    modemState(0x07);
    // The argument may follow the line name directly; only the dispatcher would not find INT1.
    r.p.commandTail = "INT1";
    SetInt(r.p);
    EXPECT_EQ(r.rig.modem.frames(),
              (std::vector<Bytes>{{0x32, 0x00, 0x04}, {0x31, 0x01, 0x07, 0x04}}));
}

TEST_F(LineSignals, BadLineArgumentsAskAndSendNothing) {
    for (const Text line : {"SET INT", "SET INT 2", "SET INT 10", "SET INT 1 2"}) {
        r.enter(line);
        EXPECT_EQ(r.reply(), (Lines{"?SET INT "})) << line;
        EXPECT_EQ(r.rig.message.text, "Wie soll INT gesetzt werden, 0 oder 1?") << line;
    }
    r.enter("SET SCL x");
    EXPECT_EQ(r.reply(), (Lines{"?SET SCL"}));
    EXPECT_EQ(r.rig.message.text, "Wie soll SCL gesetzt werden, 0 oder 1?");
    r.enter("SET SDA");
    EXPECT_EQ(r.reply(), (Lines{"?SET SDA "}));
    EXPECT_EQ(r.rig.message.text, "Wie soll SDA gesetzt werden, 0 oder 1?");
    EXPECT_TRUE(r.rig.modem.written().empty());
}

TEST_F(LineSignals, ARefusedLineReadSendsNoWrite) {
    r.rig.modem.responder = [](const Bytes&) { return Bytes{0x2A, 0x00, 0x04}; };
    r.enter("SET SDA 1");
    EXPECT_EQ(r.rig.modem.frames(), (std::vector<Bytes>{{0x32, 0x00, 0x04}}));
    EXPECT_EQ(r.rig.message.text, "Fehler beim Setzen der I2C-Signale");
    EXPECT_EQ(r.rig.message.colour, colour::kErrorRed);
}

TEST_F(LineSignals, ARejectedLineWriteIsReported) {
    r.rig.modem.responder = [](const Bytes& f) {
        return f[0] == 0x31 ? Bytes{0x39, 0x01, 0x08, 0x04} : Bytes{0x3A, 0x01, 0x00, 0x04};
    };
    r.enter("SET INT 1");
    EXPECT_EQ(r.reply(),
              (Lines{cp1252("!SET INT  Fehler: Zeitüberschreitung bei Datenübertragung"), "#"}));
}

TEST_F(LineSignals, AnUnansweredLineWriteEndsWithTheTimeoutMessages) {
    r.rig.modem.responder = [](const Bytes& f) {
        return f[0] == 0x31 ? Bytes{} : Bytes{0x3A, 0x01, 0x00, 0x04};
    };
    r.enter("SET SDA 1");
    EXPECT_EQ(r.reply(), (Lines{""}));
    EXPECT_EQ(r.rig.message.text, "Fehler beim Empfang der Daten!");
}

TEST_F(LineSignals, PullupsAreSwitchedWithoutARead) {
    r.enter("SET PULLUP ein");
    EXPECT_EQ(r.reply(), (Lines{"!PULLUP > OK", "#"}));
    r.enter("SET PUL AUS");
    r.enter("set pullup Ein");
    EXPECT_EQ(r.rig.modem.frames(),
              (std::vector<Bytes>{
                  {0x21, 0x01, 0x01, 0x04}, {0x21, 0x01, 0x00, 0x04}, {0x21, 0x01, 0x01, 0x04}}));
}

TEST_F(LineSignals, BadPullupArgumentsAskAndSendNothing) {
    for (const Text line : {"SET PULLUP", "SET PULLUP an", "SET PUL EIN AUS"}) {
        r.enter(line);
        EXPECT_EQ(r.reply(), (Lines{"?PULLUP "})) << line;
        EXPECT_EQ(r.rig.message.text, cp1252("Sollen Pullup´s ein- oder ausgeschaltet werden?"));
    }
    EXPECT_TRUE(r.rig.modem.written().empty());
}

TEST_F(LineSignals, ARejectedPullupWriteIsReported) {
    r.rig.modem.responder = [](const Bytes&) { return Bytes{0x29, 0x01, 0x03, 0x04}; };
    r.enter("SET PULLUP AUS");
    EXPECT_EQ(r.reply(), (Lines{"!PULLUP  Fehler: Kommando nicht bekannt", "#"}));
}

}  // namespace
}  // namespace i2ct::test
