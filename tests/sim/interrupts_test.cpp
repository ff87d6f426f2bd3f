#include "sim/interrupts.h"

#include <gtest/gtest.h>

#include "exchange.h"
#include "sim/firmware.h"

namespace i2ct::sim {
namespace {

using check::Bytes;
using check::Collect;
using check::DueBy;
using check::Send;

const Bytes kOk{0x4A, 0x00, 0x04};
const Bytes kNotification{0x4F, 0x00, 0x04};

using check::Refusal;

Bytes Joined(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class InterruptTest : public ::testing::Test {
  protected:
    InterruptTest() { fw_.setLatency(0); }

    // Each request 100 ms after the one before; the answer is complete by then.
    Bytes ask(const Bytes& request) {
        now_ += 100;
        Send(fw_, request, now_);
        return Collect(fw_, now_ + 99);
    }
    Bytes load(std::uint8_t slave, std::uint8_t count) {
        return ask({0x43, 0x03, slave, 0x00, count, 0x04});
    }
    Bytes monitoring(bool on) {
        return ask({0x45, 0x01, on ? std::uint8_t{1} : std::uint8_t{0}, 0x04});
    }

    Firmware fw_;
    Tick now_ = 1000;
};

TEST_F(InterruptTest, LoadingAReadAddressIsAnsweredWith4A) {
    EXPECT_EQ(load(0x41, 0x01), kOk);
    ASSERT_EQ(fw_.interrupts().table().size(), 1u);
    EXPECT_EQ(fw_.interrupts().table()[0].address, (Address{0x41, 0x00}));
    EXPECT_EQ(fw_.interrupts().table()[0].count, 1);
}

TEST_F(InterruptTest, AWriteAddressIsRefusedWith49) {
    EXPECT_EQ(load(0x40, 0x01), Refusal(0x49));
    EXPECT_TRUE(fw_.interrupts().table().empty());
}

TEST_F(InterruptTest, MoreThanFourReadsAreRefusedWith47) {
    EXPECT_EQ(load(0x41, 0x04), kOk);
    EXPECT_EQ(load(0x73, 0x05), Refusal(0x47));
    EXPECT_EQ(fw_.interrupts().table().size(), 1u);
}

TEST_F(InterruptTest, TheSeventeenthEntryIsRefusedWith45) {
    for (std::uint8_t i = 0; i < 16; ++i) {
        ASSERT_EQ(load(static_cast<std::uint8_t>(0x01 + 2 * i), 0x01), kOk);
    }
    EXPECT_EQ(load(0x41, 0x01), Refusal(0x45));
    EXPECT_EQ(fw_.interrupts().table().size(), InterruptMonitor::kTableSize);
}

TEST_F(InterruptTest, AnAddressLoadedAgainTakesTheOldEntrysPlace) {
    EXPECT_EQ(load(0x41, 0x01), kOk);
    EXPECT_EQ(load(0x41, 0x03), kOk);
    ASSERT_EQ(fw_.interrupts().table().size(), 1u);
    EXPECT_EQ(fw_.interrupts().table()[0].count, 3);
}

TEST_F(InterruptTest, AnEntryWithoutAllItsBytesIsRefusedWith46) {
    EXPECT_EQ(ask({0x43, 0x02, 0x41, 0x00, 0x04}), Refusal(0x46));
    EXPECT_EQ(ask({0x43, 0x04, 0x41, 0x00, 0x01, 0x01, 0x04}), Refusal(0x46));
}

TEST_F(InterruptTest, ClearingEmptiesTheTable) {
    EXPECT_EQ(load(0x41, 0x01), kOk);
    EXPECT_EQ(ask({0x44, 0x00, 0x04}), kOk);
    EXPECT_TRUE(fw_.interrupts().table().empty());
}

TEST_F(InterruptTest, MonitoringCannotStartWithAnEmptyTable) {
    EXPECT_EQ(monitoring(true), Refusal(0x4B));
    EXPECT_FALSE(fw_.interrupts().monitoring());
    EXPECT_EQ(monitoring(false), kOk);
}

TEST_F(InterruptTest, AMonitoringRequestOtherThanOnOrOffIsRefusedWith4A) {
    EXPECT_EQ(load(0x41, 0x01), kOk);
    EXPECT_EQ(ask({0x45, 0x01, 0x02, 0x04}), Refusal(0x4A));
    EXPECT_EQ(ask({0x45, 0x00, 0x04}), Refusal(0x4A));
}

TEST_F(InterruptTest, TheTableIsLockedWhileMonitoringRuns) {
    EXPECT_EQ(load(0x41, 0x01), kOk);
    EXPECT_EQ(monitoring(true), kOk);
    EXPECT_TRUE(fw_.interrupts().monitoring());
    EXPECT_EQ(load(0x73, 0x01), Refusal(0x4C));
    EXPECT_EQ(ask({0x44, 0x00, 0x04}), Refusal(0x4C));
    EXPECT_EQ(monitoring(false), kOk);
    EXPECT_EQ(load(0x73, 0x01), kOk);
    EXPECT_EQ(fw_.interrupts().table().size(), 2u);
}

TEST_F(InterruptTest, AnExpanderInputChangeIsReportedWithTheBytesRead) {
    EXPECT_EQ(load(0x41, 0x01), kOk);
    EXPECT_EQ(monitoring(true), kOk);
    const Tick at = now_ + 500;
    fw_.setExpanderInputs(0xFE, at);
    EXPECT_EQ(Collect(fw_, at), kNotification);
    const Tick event = at + InterruptMonitor::kEventGapMs + fw_.bus().transferMs(2);
    EXPECT_EQ(DueBy(fw_, event - 1), 0u);
    EXPECT_EQ(Collect(fw_, event), (Bytes{0x4A, 0x03, 0x41, 0x00, 0xFE, 0x04}));
    // Reading the expander released INT.
    EXPECT_FALSE(fw_.expander().pullsInt());
    EXPECT_EQ(fw_.bus().lines() & kInt, kInt);
}

TEST_F(InterruptTest, TheEntryOfTheDeviceThatPulledIntIsTheOneReported) {
    EXPECT_EQ(load(0x73, 0x02), kOk);
    EXPECT_EQ(load(0x41, 0x02), kOk);
    EXPECT_EQ(monitoring(true), kOk);
    const Tick at = now_ + 500;
    fw_.setExpanderInputs(0x0F, at);
    EXPECT_EQ(Collect(fw_, at + 100),
              Joined(kNotification, {0x4A, 0x04, 0x41, 0x00, 0x0F, 0x0F, 0x04}));
}

TEST_F(InterruptTest, ASourceThatIsNotInTheTableIsReportedWith4D) {
    EXPECT_EQ(load(0x73, 0x04), kOk);
    EXPECT_EQ(monitoring(true), kOk);
    fw_.pulseInterrupt(now_ + 500);
    EXPECT_EQ(Collect(fw_, now_ + 600), Joined(kNotification, Refusal(0x4D)));
}

TEST_F(InterruptTest, TheHostPullingIntIsASourceInNoTable) {
    EXPECT_EQ(load(0x41, 0x01), kOk);
    EXPECT_EQ(monitoring(true), kOk);
    EXPECT_EQ(ask({0x31, 0x01, 0x03, 0x04}),
              Joined({0x3A, 0x00, 0x04}, Joined(kNotification, Refusal(0x4D))));
}

TEST_F(InterruptTest, ASourceThatDoesNotAnswerIsReportedWithItsNak) {
    EXPECT_EQ(load(0x41, 0x01), kOk);
    EXPECT_EQ(monitoring(true), kOk);
    ASSERT_TRUE(fw_.bus().setNak(kExpanderAddress, true));
    fw_.setExpanderInputs(0xFE, now_ + 500);
    EXPECT_EQ(Collect(fw_, now_ + 600), Joined(kNotification, Refusal(0x20)));
}

TEST_F(InterruptTest, NothingIsSentWhileMonitoringIsOff) {
    EXPECT_EQ(load(0x41, 0x01), kOk);
    fw_.setExpanderInputs(0xFE, now_ + 10);
    fw_.pulseInterrupt(now_ + 20);
    EXPECT_TRUE(Collect(fw_, now_ + 1000).empty());
}

TEST_F(InterruptTest, AnInterruptPendingBeforeMonitoringIsReportedWhenItStarts) {
    EXPECT_EQ(load(0x41, 0x01), kOk);
    fw_.setExpanderInputs(0xFE, now_ + 10);
    EXPECT_EQ(monitoring(true),
              Joined(kOk, Joined(kNotification, {0x4A, 0x03, 0x41, 0x00, 0xFE, 0x04})));
}

TEST_F(InterruptTest, EachFallOfIntIsOneEvent) {
    EXPECT_EQ(load(0x41, 0x01), kOk);
    EXPECT_EQ(monitoring(true), kOk);
    fw_.setExpanderInputs(0xFE, now_ + 10);
    EXPECT_EQ(Collect(fw_, now_ + 50), Joined(kNotification, {0x4A, 0x03, 0x41, 0x00, 0xFE, 0x04}));
    EXPECT_TRUE(Collect(fw_, now_ + 5000).empty());
    fw_.setExpanderInputs(0xFF, now_ + 5000);
    EXPECT_EQ(Collect(fw_, now_ + 5050),
              Joined(kNotification, {0x4A, 0x03, 0x41, 0x00, 0xFF, 0x04}));
}

TEST_F(InterruptTest, InterruptsWaitWhileTheModemListens) {
    EXPECT_EQ(load(0x41, 0x01), kOk);
    EXPECT_EQ(monitoring(true), kOk);
    EXPECT_EQ(ask({0x41, 0x02, 0x74, 0x00, 0x04}), (Bytes{0x2A, 0x00, 0x04}));
    EXPECT_EQ(ask({0x42, 0x01, 0x00, 0x04}), kOk);
    fw_.setExpanderInputs(0xFE, now_ + 10);
    EXPECT_TRUE(Collect(fw_, now_ + 1000).empty());
    Send(fw_, {0x04}, now_ + 1000);
    EXPECT_EQ(Collect(fw_, now_ + 1100),
              Joined(kNotification, {0x4A, 0x03, 0x41, 0x00, 0xFE, 0x04}));
}

}  // namespace
}  // namespace i2ct::sim
