#include "sim/listener.h"

#include <gtest/gtest.h>

#include "exchange.h"
#include "sim/firmware.h"

namespace i2ct::sim {
namespace {

using check::Ask;
using check::Bytes;
using check::Collect;
using check::DueBy;
using check::Send;

using check::Refusal;

class ListeningTest : public ::testing::Test {
  protected:
    ListeningTest() { fw_.setLatency(0); }

    void setFilter(std::uint8_t slave, std::uint8_t second) {
        ASSERT_EQ(Ask(fw_, {0x41, 0x02, slave, second, 0x04}, 100), (Bytes{0x2A, 0x00, 0x04}));
    }
    void traffic(Tick at, Address address, Bytes data, bool complete = true) {
        fw_.injectTraffic(Transfer{at, address, std::move(data), complete});
    }

    Firmware fw_;
    static constexpr Tick kStart = 2000;
};

TEST_F(ListeningTest, SettingTheFilterIsAnsweredWith2A) {
    setFilter(0x74, 0x00);
    EXPECT_EQ(fw_.listener().filter(), (Address{0x74, 0x00}));
}

TEST_F(ListeningTest, AFilterRequestWithoutBothAddressBytesIsRefused) {
    EXPECT_EQ(Ask(fw_, {0x41, 0x01, 0x74, 0x04}, 100), Refusal(0x41));
    EXPECT_FALSE(fw_.listener().filter().has_value());
}

TEST_F(ListeningTest, WithoutFilterBothKindsOfListeningAreRefusedWith41) {
    EXPECT_EQ(Ask(fw_, {0x42, 0x01, 0x05, 0x04}, 100), Refusal(0x41));
    EXPECT_EQ(Ask(fw_, {0x42, 0x01, 0x00, 0x04}, 2000), Refusal(0x41));
}

TEST_F(ListeningTest, AListenRequestWithoutItsTimeIsRefusedWith42) {
    setFilter(0x74, 0x00);
    EXPECT_EQ(Ask(fw_, {0x42, 0x00, 0x04}, 1000), Refusal(0x42));
}

TEST_F(ListeningTest, TimedListeningAnswersAtTheEndOfItsWindowWithWhatItCaught) {
    setFilter(0x73, 0x00);
    Send(fw_, {0x42, 0x01, 0x0A, 0x04}, kStart);
    traffic(kStart + 100, Address{0x73, 0x00}, {0x05});
    const Tick end = kStart + 10 * Listener::kTimeUnitMs;
    EXPECT_EQ(DueBy(fw_, end - 1), 0u);
    EXPECT_EQ(Collect(fw_, end), (Bytes{0x4A, 0x03, 0x00, 0x73, 0x05, 0x04}));
}

TEST_F(ListeningTest, TimedListeningThatHearsNothingAnswers43) {
    setFilter(0x73, 0x00);
    Send(fw_, {0x42, 0x01, 0x7D, 0x04}, kStart);
    traffic(kStart + 100, Address{0x72, 0x01}, {0x05});
    traffic(kStart + 200, Address{0x30, 0x00}, {0x05});
    const Tick end = kStart + 125 * Listener::kTimeUnitMs;
    EXPECT_EQ(DueBy(fw_, end - 1), 0u);
    EXPECT_EQ(Collect(fw_, end), Refusal(0x43));
}

TEST_F(ListeningTest, TrafficAfterTheWindowIsNotReported) {
    setFilter(0x73, 0x00);
    Send(fw_, {0x42, 0x01, 0x01, 0x04}, kStart);
    EXPECT_EQ(Collect(fw_, kStart + Listener::kTimeUnitMs), Refusal(0x43));
    traffic(kStart + 60, Address{0x73, 0x00}, {0x05});
    EXPECT_TRUE(Collect(fw_, kStart + 5000).empty());
}

TEST_F(ListeningTest, TheFilterMatchesTheDeviceInBothDirections) {
    setFilter(0x74, 0x00);
    Send(fw_, {0x42, 0x01, 0x02, 0x04}, kStart);
    traffic(kStart + 10, Address{0x75, 0x00}, {0x12, 0x34});
    EXPECT_EQ(Collect(fw_, kStart + 2 * Listener::kTimeUnitMs),
              (Bytes{0x4A, 0x04, 0x00, 0x75, 0x12, 0x34, 0x04}));
}

TEST_F(ListeningTest, OnlyTheFirstMatchingTransferIsReported) {
    setFilter(0x74, 0x00);
    Send(fw_, {0x42, 0x01, 0x02, 0x04}, kStart);
    traffic(kStart + 10, Address{0x74, 0x00}, {0x01});
    traffic(kStart + 20, Address{0x74, 0x00}, {0x02});
    EXPECT_EQ(Collect(fw_, kStart + 2 * Listener::kTimeUnitMs),
              (Bytes{0x4A, 0x03, 0x00, 0x74, 0x01, 0x04}));
}

TEST_F(ListeningTest, ABrokenTransferIsReportedAsIncomplete) {
    setFilter(0x74, 0x00);
    Send(fw_, {0x42, 0x01, 0x02, 0x04}, kStart);
    traffic(kStart + 10, Address{0x74, 0x00}, {0x01, 0x02}, false);
    EXPECT_EQ(Collect(fw_, kStart + 2 * Listener::kTimeUnitMs),
              (Bytes{0x4B, 0x04, 0x00, 0x74, 0x01, 0x02, 0x04}));
}

TEST_F(ListeningTest, TheHostsOwnTransfersAreHeard) {
    setFilter(0x72, 0x00);
    Send(fw_, {0x42, 0x01, 0x05, 0x04}, kStart);
    Send(fw_, {0x33, 0x04, 0x72, 0x00, 0x10, 0x20, 0x04}, kStart + 10);
    EXPECT_EQ(Collect(fw_, kStart + 20), (Bytes{0x3A, 0x00, 0x04}));
    EXPECT_EQ(Collect(fw_, kStart + 5 * Listener::kTimeUnitMs),
              (Bytes{0x4A, 0x04, 0x00, 0x72, 0x10, 0x20, 0x04}));
}

TEST_F(ListeningTest, ALongTransferIsCutToOneFrameAndCountsAsIncomplete) {
    setFilter(0x74, 0x00);
    Send(fw_, {0x42, 0x01, 0x01, 0x04}, kStart);
    traffic(kStart + 10, Address{0x74, 0x00}, Bytes(200, 0x55));
    const Bytes answer = Collect(fw_, kStart + Listener::kTimeUnitMs);
    ASSERT_EQ(answer.size(), 130u);
    EXPECT_EQ(answer[0], 0x4B);
    EXPECT_EQ(answer[1], 0x7F);
}

TEST_F(ListeningTest, OpenEndedListeningStreamsBlocksOf16UntilTheStopByte) {
    setFilter(0x74, 0x00);
    EXPECT_EQ(Ask(fw_, {0x42, 0x01, 0x00, 0x04}, kStart), (Bytes{0x4A, 0x00, 0x04}));
    EXPECT_TRUE(fw_.listener().streaming());
    // 40 bytes in all: an address byte and 19 data bytes, twice.
    Bytes first{0x74};
    Bytes second{0x74};
    for (std::uint8_t i = 0; i < 19; ++i) {
        first.push_back(i);
        second.push_back(static_cast<std::uint8_t>(0x80 + i));
    }
    traffic(kStart + 1100, Address{0x74, 0x00}, Bytes(first.begin() + 1, first.end()));
    traffic(kStart + 1200, Address{0x74, 0x00}, Bytes(second.begin() + 1, second.end()));
    Bytes all = first;
    all.insert(all.end(), second.begin(), second.end());
    EXPECT_EQ(Collect(fw_, kStart + 1500), Bytes(all.begin(), all.begin() + 32));
    Send(fw_, {0x04}, kStart + 1600);
    EXPECT_FALSE(fw_.listener().streaming());
    traffic(kStart + 1700, Address{0x74, 0x00}, Bytes(30, 0x11));
    EXPECT_TRUE(Collect(fw_, kStart + 3000).empty());
    EXPECT_EQ(Ask(fw_, {0x12, 0x00, 0x04}, kStart + 3000), (Bytes{0x1A, 0x01, '#', 0x04}));
}

TEST_F(ListeningTest, ABlockLeavesAsSoonAsItIsFull) {
    setFilter(0x74, 0x00);
    EXPECT_EQ(Ask(fw_, {0x42, 0x01, 0x00, 0x04}, kStart), (Bytes{0x4A, 0x00, 0x04}));
    traffic(kStart + 1100, Address{0x74, 0x00}, Bytes(14, 0x22));
    EXPECT_EQ(DueBy(fw_, kStart + 1900), 0u);
    traffic(kStart + 2000, Address{0x75, 0x00}, {0x33});
    EXPECT_EQ(DueBy(fw_, kStart + 1999), 0u);
    Bytes block{0x74};
    block.insert(block.end(), 14, 0x22);
    block.push_back(0x75);
    EXPECT_EQ(Collect(fw_, kStart + 2000), block);
}

TEST_F(ListeningTest, WhileStreamingOtherBytesFromTheHostAreIgnored) {
    setFilter(0x74, 0x00);
    EXPECT_EQ(Ask(fw_, {0x42, 0x01, 0x00, 0x04}, kStart), (Bytes{0x4A, 0x00, 0x04}));
    Send(fw_, {0x11, 0x00}, kStart + 1100);
    EXPECT_TRUE(fw_.listener().streaming());
    EXPECT_TRUE(Collect(fw_, kStart + 2000).empty());
    Send(fw_, {0x04}, kStart + 2000);
    EXPECT_EQ(Ask(fw_, {0x11, 0x00, 0x04}, kStart + 2100), (Bytes{0x1A, 0x03, 2, 2, 0, 0x04}));
}

}  // namespace
}  // namespace i2ct::sim
