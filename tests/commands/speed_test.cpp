// The bus clock: the conversions between hertz and the modem's divider, and GET and SET SPEED.

#include <gtest/gtest.h>

#include "command_rig.h"
#include "linecommands/speed.h"

namespace i2ct::test {
namespace {

using Lines = std::vector<Text>;

struct WorkedValue {
    std::int32_t typed;
    std::uint16_t divider;
    std::int32_t printed;
};

// The values users know from the modem: what is typed, what is sent, what GET SPEED shows.
constexpr WorkedValue kWorkedValues[] = {
    {40, 62493, 40},     {100, 24993, 100},   {1000, 2493, 1000},
    {1500, 1659, 1501},  {10000, 243, 10000}, {100000, 18, 100000},
    {200000, 5, 208333}, {300000, 1, 312500}, {350000, 0, 350000},
};

TEST(SpeedConversions, TheWorkedValuesComeOutExactly) {
    for (const WorkedValue& v : kWorkedValues) {
        EXPECT_EQ(DividerOfFrequency(v.typed), v.divider) << v.typed;
        EXPECT_EQ(FrequencyOfDivider(v.divider), v.printed) << v.typed;
    }
}

TEST(SpeedConversions, TheDividerRangeEnds) {
    EXPECT_EQ(FrequencyOfDivider(65535), 38);
    EXPECT_EQ(FrequencyOfDivider(1), 312500);
    EXPECT_EQ(FrequencyOfDivider(0), 350000);  // 357143 Hz, shown at the highest settable
}

// A modem that keeps the divider it was sent and reports it back.
class Speed : public ::testing::Test {
  protected:
    Speed() {
        r.rig.modem.responder = [this](const Bytes& f) {
            if (f[0] == 0x22 && f[1] == 2) {
                divider = static_cast<std::uint16_t>(f[2] + 256 * f[3]);
                return Bytes{0x2A, 0x00, 0x04};
            }
            if (f[0] == 0x22) {
                return Bytes{0x2A, 0x02, static_cast<std::uint8_t>(divider % 256),
                             static_cast<std::uint8_t>(divider / 256), 0x04};
            }
            return StandardAnswer(f);
        };
    }
    CommandRig r;
    std::uint16_t divider = 18;
};

TEST_F(Speed, EveryWorkedValueGoesOverTheWireAndBack) {
    for (const WorkedValue& v : kWorkedValues) {
        r.rig.modem.clearRecord();
        r.enter("SET SPEED " + std::to_string(v.typed));
        const Bytes sent{0x22, 0x02, static_cast<std::uint8_t>(v.divider % 256),
                         static_cast<std::uint8_t>(v.divider / 256), 0x04};
        EXPECT_EQ(r.rig.modem.frames(), (std::vector<Bytes>{sent, {0x22, 0x00, 0x04}})) << v.typed;
        EXPECT_EQ(r.reply(), (Lines{"!I2C-Speed (Hz): " + std::to_string(v.printed), "#"}));
        EXPECT_EQ(r.p.busClock, v.printed);
    }
}

TEST_F(Speed, Set1500SendsItsDivider) {
    r.enter("SET SPEED 1500");
    EXPECT_EQ(r.rig.modem.frames().front(), (Bytes{0x22, 0x02, 0x7B, 0x06, 0x04}));
    EXPECT_EQ(r.reply(), (Lines{"!I2C-Speed (Hz): 1501", "#"}));
}

TEST_F(Speed, TheModemGetsHalfASecondBeforeTheAnswerIsAwaited) {
    // Later than one reply wait allows, but within the settling time and the reply wait.
    r.rig.modem.responder = [this](const Bytes& f) {
        if (f[1] == 2) {
            r.rig.modem.inject(r.rig.time.ticks() + 2400, {0x2A, 0x00, 0x04});
            return Bytes{};
        }
        return Bytes{0x2A, 0x02, 0xBD, 0x09, 0x04};
    };
    r.enter("SET SPE 1000");
    EXPECT_EQ(r.reply(), (Lines{"!I2C-Speed (Hz): 1000", "#"}));
    EXPECT_TRUE(r.messages().empty());
}

TEST_F(Speed, ArgumentsAreReadAsNumbers) {
    r.enter("SET SPEED 1500Hz");
    r.enter("set speed $5DC");
    EXPECT_EQ(r.rig.modem.frames()[0], (Bytes{0x22, 0x02, 0x7B, 0x06, 0x04}));
    EXPECT_EQ(r.rig.modem.frames()[2], (Bytes{0x22, 0x02, 0x7B, 0x06, 0x04}));
}

TEST_F(Speed, OutOfRangeFrequenciesAreRefused) {
    const Text general = cp1252("Wählen Sie eine Taktfrequenz (40 Hz - 350000 Hz) ");
    const Text low = "Taktfrequenz zu gering!    Minimaler Wert 40 (Hz)) ";
    const Text high = cp1252("Taktfrequenz zu groß!    Maximaler Wert 350000 (Hz)) ");
    const std::pair<Text, Text> cases[] = {{"SET SPEED 39", low},    {"SET SPEED 350001", high},
                                           {"SET SPEED 5", general}, {"SET SPEED", general},
                                           {"SET SPEED abc", low},   {"SET SPEED -100", low}};
    for (const auto& [line, prompt] : cases) {
        r.enter(line);
        EXPECT_EQ(r.reply(), (Lines{"?SET SPEED "})) << line;
        EXPECT_EQ(r.rig.message.text, prompt) << line;
    }
    EXPECT_TRUE(r.rig.modem.written().empty());
}

TEST_F(Speed, ARejectedClockWriteIsReportedAndNotReadBack) {
    r.rig.modem.responder = [](const Bytes&) { return Bytes{0x29, 0x01, 0x05, 0x04}; };
    r.enter("SET SPEED 1000");
    EXPECT_EQ(r.rig.modem.frames().size(), 1u);
    EXPECT_EQ(r.reply(), (Lines{"!SET SPEED  Fehler beim Einstellen der Frequenz", "#"}));
    EXPECT_EQ(r.p.busClock, 0);
}

TEST_F(Speed, GetSpeedStoresTheBusClock) {
    divider = 65535;
    r.enter("GET SPEED");
    EXPECT_EQ(r.rig.modem.frames(), (std::vector<Bytes>{{0x22, 0x00, 0x04}}));
    EXPECT_EQ(r.reply(), (Lines{"!I2C-Speed (Hz): 38", "#"}));
    EXPECT_EQ(r.p.busClock, 38);
}

TEST_F(Speed, AFailedReadKeepsTheBusClock) {
    r.p.busClock = 100000;
    r.rig.modem.responder = [](const Bytes&) { return Bytes{}; };
    r.enter("GET SPE");
    EXPECT_EQ(r.reply(), (Lines{"!I2C-Speed Fehler : allgemeiner Fehler", "#"}));
    EXPECT_EQ(r.p.busClock, 100000);
    r.rig.modem.responder = [](const Bytes&) { return Bytes{0x29, 0x01, 0x11, 0x04}; };
    r.enter("GET SPEED");
    EXPECT_EQ(r.reply(), (Lines{"!I2C-Speed Fehler : Fehler beim Aufruf des Modem", "#"}));
    EXPECT_EQ(r.p.busClock, 100000);
}

}  // namespace
}  // namespace i2ct::test
