#include "sim/firmware.h"

#include <gtest/gtest.h>

#include "exchange.h"
#include "sim/frame_parser.h"

namespace i2ct::sim {
namespace {

using check::Ask;
using check::Bytes;
using check::Collect;
using check::DueBy;
using check::Send;

TEST(Firmware, AnswersTheVersionRequestWithTheDefaultDigits) {
    Firmware fw;
    EXPECT_EQ(Ask(fw, {0x11, 0x00, 0x04}, 100), (Bytes{0x1A, 0x03, 0x02, 0x02, 0x00, 0x04}));
}

TEST(Firmware, AnswersWithTheVersionItWasGiven) {
    Firmware fw;
    fw.setVersion(1, 2, 3);
    EXPECT_EQ(Ask(fw, {0x11, 0x00, 0x04}, 100), (Bytes{0x1A, 0x03, 0x01, 0x02, 0x03, 0x04}));
}

TEST(Firmware, AnswersThePromptRequestWithItsPromptCharacter) {
    Firmware fw;
    EXPECT_EQ(Ask(fw, {0x12, 0x00, 0x04}, 100), (Bytes{0x1A, 0x01, '#', 0x04}));
    fw.setPrompt('>');
    EXPECT_EQ(Ask(fw, {0x12, 0x00, 0x04}, 2000), (Bytes{0x1A, 0x01, 0x3E, 0x04}));
}

TEST(Firmware, AnswerLeavesOneLatencyAfterTheRequest) {
    Firmware fw;
    EXPECT_EQ(fw.latency(), Transmitter::kDefaultLatencyMs);
    fw.setLatency(40);
    Send(fw, {0x11, 0x00, 0x04}, 500);
    EXPECT_EQ(DueBy(fw, 539), 0u);
    EXPECT_EQ(DueBy(fw, 540), 6u);
}

TEST(Firmware, AnswersTwoRequestsInTheirOrder) {
    Firmware fw;
    Send(fw, {0x11, 0x00, 0x04, 0x12, 0x00, 0x04}, 100);
    EXPECT_EQ(Collect(fw, 200), (Bytes{0x1A, 0x03, 2, 2, 0, 0x04, 0x1A, 0x01, '#', 0x04}));
}

TEST(Firmware, RefusesAnUnknownKindWithStatusCode3) {
    Firmware fw;
    EXPECT_EQ(Ask(fw, {0x77, 0x00, 0x04}, 100), (Bytes{0x49, 0x01, 0x03, 0x04}));
    EXPECT_EQ(Ask(fw, {0x10, 0x01, 0x05, 0x04}, 2000), (Bytes{0x49, 0x01, 0x03, 0x04}));
}

TEST(Firmware, RefusesAWrongEndByteWithStatusCode7AndHearsTheNextRequest) {
    Firmware fw;
    EXPECT_EQ(Ask(fw, {0x11, 0x00, 0x05}, 100), (Bytes{0x49, 0x01, 0x07, 0x04}));
    EXPECT_EQ(Ask(fw, {0x11, 0x00, 0x04}, 1200), (Bytes{0x1A, 0x03, 2, 2, 0, 0x04}));
}

TEST(Firmware, DropsTheRestOfAnOverlongFrameWithItsRefusal) {
    Firmware fw;
    // Length 1 announced, two data bytes sent: 0x05 stands where the end byte belongs.
    EXPECT_EQ(Ask(fw, {0x11, 0x01, 0x00, 0x05, 0x04, 0x12, 0x00, 0x04}, 100),
              (Bytes{0x49, 0x01, 0x07, 0x04}));
}

TEST(Firmware, RefusesAFrameWithoutEndByteWithStatusCode6AfterTheByteTimeout) {
    Firmware fw;
    fw.setLatency(0);
    Send(fw, {0x33, 0x03, 0x73, 0x00, 0x08}, 100);
    EXPECT_EQ(DueBy(fw, 100 + FrameParser::kByteTimeoutMs - 1), 0u);
    EXPECT_EQ(Collect(fw, 100 + FrameParser::kByteTimeoutMs), (Bytes{0x49, 0x01, 0x06, 0x04}));
}

TEST(Firmware, RefusesAFrameThatStopsInItsDataWithStatusCode6) {
    Firmware fw;
    Send(fw, {0x33, 0x05, 0x72, 0x00}, 100);
    EXPECT_EQ(Collect(fw, 1000), (Bytes{0x49, 0x01, 0x06, 0x04}));
}

TEST(Firmware, RefusesAKindWithoutLengthWithStatusCode4) {
    Firmware fw;
    Send(fw, {0x11}, 100);
    EXPECT_EQ(Collect(fw, 1000), (Bytes{0x49, 0x01, 0x04, 0x04}));
}

TEST(Firmware, RefusesALengthOf0x80OrMoreWithStatusCode5) {
    Firmware fw;
    EXPECT_EQ(Ask(fw, {0x33, 0x80, 0x04}, 100), (Bytes{0x49, 0x01, 0x05, 0x04}));
}

TEST(Firmware, ByteTimeoutCountsFromTheLastByte) {
    Firmware fw;
    fw.setLatency(0);
    Send(fw, {0x11}, 100);
    Send(fw, {0x00}, 140);
    EXPECT_EQ(DueBy(fw, 189), 0u);
    Send(fw, {0x04}, 189);
    EXPECT_EQ(Collect(fw, 189), (Bytes{0x1A, 0x03, 2, 2, 0, 0x04}));
}

TEST(Firmware, IgnoresALoneEndByteBetweenFrames) {
    Firmware fw;
    EXPECT_EQ(Ask(fw, {0x04, 0x11, 0x00, 0x04}, 100), (Bytes{0x1A, 0x03, 2, 2, 0, 0x04}));
}

TEST(Firmware, ASilentModemAnswersNothingUntilItSpeaksAgain) {
    Firmware fw;
    fw.setSilent(true);
    EXPECT_TRUE(Ask(fw, {0x11, 0x00, 0x04}, 100).empty());
    fw.setSilent(false);
    EXPECT_EQ(Ask(fw, {0x12, 0x00, 0x04}, 2000), (Bytes{0x1A, 0x01, '#', 0x04}));
}

TEST(Firmware, NoiseLeavesAtOnceEvenFromASilentModem) {
    Firmware fw;
    fw.setSilent(true);
    const Bytes noise{0x4A, 0x04, 0x73};
    fw.sendNoise(noise, 300);
    EXPECT_EQ(DueBy(fw, 299), 0u);
    EXPECT_EQ(Collect(fw, 300), noise);
}

TEST(Firmware, RecordsEveryReceivedByteWithItsTime) {
    Firmware fw;
    fw.setSilent(true);
    Send(fw, {0x11, 0x00}, 100);
    Send(fw, {0x04}, 105);
    ASSERT_EQ(fw.received().size(), 3u);
    EXPECT_EQ(fw.received()[0].value, 0x11);
    EXPECT_EQ(fw.received()[2].value, 0x04);
    EXPECT_EQ(fw.received()[2].at, 105u);
    fw.clearReceived();
    EXPECT_TRUE(fw.received().empty());
}

TEST(Firmware, PowerCycleLosesTheBytesInFlightButKeepsTheVersion) {
    Firmware fw;
    fw.setVersion(3, 1, 4);
    Send(fw, {0x11, 0x00, 0x04}, 100);
    Send(fw, {0x41, 0x02, 0x74, 0x00, 0x04}, 100);
    fw.powerCycle();
    EXPECT_TRUE(Collect(fw, 1000).empty());
    EXPECT_FALSE(fw.listener().filter().has_value());
    EXPECT_EQ(Ask(fw, {0x11, 0x00, 0x04}, 2000), (Bytes{0x1A, 0x03, 3, 1, 4, 0x04}));
}

TEST(Firmware, TellsWhenItNextHasSomethingToDo) {
    Firmware fw;
    fw.setLatency(0);
    EXPECT_FALSE(fw.nextEventAt().has_value());
    Send(fw, {0x11, 0x00}, 100);
    EXPECT_EQ(fw.nextEventAt(), 100 + FrameParser::kByteTimeoutMs);
}

TEST(Outbox, KeepsTheLineInOrderWhenALaterDecisionIsEarlier) {
    Outbox line;
    const Bytes first{1, 2};
    const Bytes second{3};
    line.send(200, first);
    line.send(150, second);
    EXPECT_EQ(line.due(199), 0u);
    EXPECT_EQ(line.due(200), 3u);
}

TEST(Outbox, TimesWrapAroundTheTickCounter) {
    Outbox line;
    const Bytes bytes{7};
    line.send(0xFFFFFFF0u + 0x20u, bytes);  // wrapped to 0x10
    EXPECT_EQ(line.due(0xFFFFFFF8u), 0u);
    EXPECT_EQ(line.due(0x10u), 1u);
}

}  // namespace
}  // namespace i2ct::sim
