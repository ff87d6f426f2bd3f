#include <gtest/gtest.h>

#include <algorithm>

#include "modem/frame.h"
#include "modem/status_text.h"
#include "rig.h"

namespace i2ct {
namespace {

using test::Bytes;
using test::Rig;
using test::ScriptedPort;

class FrameTest : public ::testing::Test {
  protected:
    FrameTest() : p(rig.ports()) {
        p.ModemFound = true;
        p.port = std::make_unique<ScriptedPort>(rig.modem);
        p.PortOpen = true;
        rig.modem.responder = nullptr;
    }
    bool bufferIsZero() const {
        return std::all_of(p.frame.begin(), p.frame.end(), [](std::uint8_t b) { return b == 0; });
    }
    Rig rig;
    Program p;
};

TEST_F(FrameTest, RequestWithoutDataIsThreeBytesAndTheBufferIsClearedAfterwards) {
    PutRequest(p, 0x12);
    SendFrame(p);
    EXPECT_EQ(rig.modem.written(), (Bytes{0x12, 0x00, 0x04}));
    EXPECT_TRUE(bufferIsZero());
}

TEST_F(FrameTest, LongestWriteGoesOutWhole) {
    p.frame[0] = 0x33;
    p.frame[1] = 127;
    for (std::size_t i = 2; i < 129; ++i) {
        p.frame[i] = static_cast<std::uint8_t>(i);
    }
    p.frame[129] = 0x04;
    SendFrame(p);
    ASSERT_EQ(rig.modem.written().size(), 130u);
    EXPECT_EQ(rig.modem.written()[128], 128);
    EXPECT_EQ(rig.modem.written().back(), 0x04);
}

TEST_F(FrameTest, NoModemSendsNothingButStillClears) {
    p.ModemFound = false;
    PutRequest(p, 0x11);
    SendFrame(p);
    EXPECT_TRUE(rig.modem.written().empty());
    EXPECT_TRUE(bufferIsZero());
    EXPECT_EQ(rig.message.text, "Frame kann nicht gesedet werden!   - KEIN MODEM!");
    EXPECT_EQ(rig.message.colour, colour::kErrorRed);
}

TEST_F(FrameTest, ReceiveReadsAFrameAndRecordsTheExchangeStart) {
    rig.modem.inject(rig.time.ticks() + 30, {0x1A, 0x01, '#', 0x04});
    const Tick start = rig.time.ticks();
    EXPECT_TRUE(ReceiveFrame(p));
    EXPECT_EQ(p.LastExchangeTime, start);
    EXPECT_EQ(p.frame[0], 0x1A);
    EXPECT_EQ(p.frame[2], '#');
    EXPECT_EQ(p.frame[3], 0x04);
    for (const auto& w : rig.time.waits()) {
        EXPECT_EQ(w.policy, WaitPolicy::Command) << "input is dropped while waiting";
        EXPECT_EQ(w.timeoutMs, 20u);
    }
}

TEST_F(FrameTest, TimeoutAfterTwoSecondsShowsBothMessagesAndReadsNothing) {
    const Tick start = rig.time.ticks();
    EXPECT_FALSE(ReceiveFrame(p));
    EXPECT_GE(rig.time.ticks() - start, 2000u);
    EXPECT_LE(rig.time.ticks() - start, 2020u);
    ASSERT_GE(rig.message.history.size(), 2u);
    EXPECT_EQ(rig.message.history[rig.message.history.size() - 2], "Modem antwortet nicht!");
    EXPECT_EQ(rig.message.history.back(), "Fehler beim Empfang der Daten!");
}

TEST_F(FrameTest, OneByteIsNotEnoughAndLateBytesStayForTheNextReceive) {
    rig.modem.inject(rig.time.ticks() + 100, {0x1A});
    rig.modem.inject(rig.time.ticks() + 2010, {0x01, 0x3E, 0x04});
    EXPECT_FALSE(ReceiveFrame(p));
    EXPECT_EQ(rig.modem.waiting(), 4u) << "nothing is discarded";
    EXPECT_TRUE(ReceiveFrame(p));
    EXPECT_EQ(p.frame[2], 0x3E);
}

TEST_F(FrameTest, LengthOf0x80OrMoreCountsAsNoDataAndStaysInsideTheBuffer) {
    rig.modem.inject({0x3A, 0xFF, 0x11, 0x22, 0x33});
    EXPECT_TRUE(ReceiveFrame(p));
    EXPECT_EQ(p.frame[1], 0xFF);
    EXPECT_EQ(p.frame[2], 0x11) << "the byte after the length is the end byte";
    EXPECT_EQ(p.frame[3], 0x00);
    EXPECT_EQ(rig.modem.waiting(), 2u);
}

TEST_F(FrameTest, ShortReplyRepeatsTheLastByteAndStillSucceeds) {
    rig.modem.inject({0x3A, 0x03, 0x55});
    EXPECT_TRUE(ReceiveFrame(p));
    EXPECT_EQ(p.frame[2], 0x55);
    EXPECT_EQ(p.frame[3], 0x55);
    EXPECT_EQ(p.frame[4], 0x55);
    EXPECT_EQ(p.frame[5], 0x55);
}

TEST_F(FrameTest, WrongEndByteIsAccepted) {
    rig.modem.inject({0x1A, 0x01, 0x23, 0x99});
    EXPECT_TRUE(ReceiveFrame(p));
    EXPECT_EQ(p.frame[3], 0x99);
}

TEST_F(FrameTest, DeadPortEndsInTheTimeoutWithoutSpinning) {
    rig.modem.unplugged = true;
    EXPECT_FALSE(ReceiveFrame(p));
    EXPECT_LE(rig.time.waits().size(), 102u) << "every slice waits its 20 ms";
}

TEST(StatusTexts, MapEveryCode) {
    EXPECT_EQ(StatusText(0x00), "allgemeiner Fehler");
    EXPECT_EQ(StatusText(0x02), "Unbekannte Frame-Adresse");
    EXPECT_EQ(StatusText(0xFF), "Unbekannte Frame-Adresse");
    EXPECT_EQ(StatusText(0x05), cp1252("Länge des Datenblocks zu groß"));
    EXPECT_EQ(StatusText(0x20), "Slave reagiert nicht");
    EXPECT_EQ(StatusText(0x4C),
              cp1252("Tabelle kann während INT-Überwachung nicht geändert werden"));
    EXPECT_EQ(StatusText(0x4D), "INT-Quelle nicht in Tabelle");
    for (int code : {0x01, 0x09, 0x0F, 0x12, 0x1F, 0x23, 0x40, 0x4E, 0x80, 0xFE}) {
        EXPECT_EQ(StatusText(static_cast<std::uint8_t>(code)), "allgemeiner Fehler") << code;
    }
    int distinct = 0;
    for (int code = 0; code < 256; ++code) {
        distinct += StatusText(static_cast<std::uint8_t>(code)) != "allgemeiner Fehler";
    }
    EXPECT_EQ(distinct, 26);
}

}  // namespace
}  // namespace i2ct
