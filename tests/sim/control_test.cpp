#include "sim/control.h"

#include <gtest/gtest.h>

#include "exchange.h"
#include "sim/demo.h"

namespace i2ct::sim {
namespace {

using check::Bytes;
using check::Collect;
using check::Send;

class ControlTest : public ::testing::Test {
  protected:
    std::string run(std::string_view line) {
        const ControlOutcome outcome = ExecuteControl(line, fw_, now_);
        EXPECT_EQ(outcome.action, HostAction::None) << line;
        return outcome.reply;
    }

    Firmware fw_;
    Tick now_ = 5000;
};

TEST_F(ControlTest, HostActionsAreLeftToTheHostWithoutAReply) {
    const std::pair<std::string_view, HostAction> cases[] = {{"unplug", HostAction::Unplug},
                                                             {"plug", HostAction::Plug},
                                                             {"quit", HostAction::Quit},
                                                             {"demo on", HostAction::DemoOn},
                                                             {"demo off", HostAction::DemoOff}};
    for (const auto& [line, action] : cases) {
        const ControlOutcome outcome = ExecuteControl(line, fw_, now_);
        EXPECT_EQ(outcome.action, action) << line;
        EXPECT_TRUE(outcome.reply.empty()) << line;
    }
}

TEST_F(ControlTest, MalformedAndUnknownCommandsAreErrors) {
    for (const std::string_view line : {"",
                                        "fly",
                                        "demo maybe",
                                        "silent",
                                        "latency x",
                                        "latency 70000",
                                        "garbage",
                                        "garbage 1G",
                                        "traffic",
                                        "traffic 7 01",
                                        "traffic 0074 100",
                                        "expander",
                                        "nak 0072",
                                        "nak 0072 yes",
                                        "temperature warm",
                                        "version 1 2",
                                        "version 1 2 300",
                                        "prompt",
                                        "prompt ab",
                                        "unplug now"}) {
        const ControlOutcome outcome = ExecuteControl(line, fw_, now_);
        EXPECT_EQ(outcome.action, HostAction::None) << line;
        EXPECT_EQ(outcome.reply.rfind("error", 0), 0u) << line << " gave " << outcome.reply;
    }
}

TEST_F(ControlTest, SilentAndLatencyChangeHowTheModemAnswers) {
    EXPECT_EQ(run("silent on"), "ok");
    EXPECT_TRUE(fw_.silent());
    EXPECT_EQ(run("silent off"), "ok");
    EXPECT_FALSE(fw_.silent());
    EXPECT_EQ(run("latency 40"), "ok");
    EXPECT_EQ(fw_.latency(), 40u);
}

TEST_F(ControlTest, GarbageLeavesAtOnce) {
    EXPECT_EQ(run("garbage 4A 4 73"), "ok");
    EXPECT_EQ(Collect(fw_, now_), (Bytes{0x4A, 0x04, 0x73}));
}

TEST_F(ControlTest, TrafficAndPartialAreTransfersOfAnotherMaster) {
    EXPECT_EQ(run("traffic 0074 01 02"), "ok");
    EXPECT_EQ(run("partial 75 0F"), "ok");
    EXPECT_EQ(run("traffic 0130"), "ok");
    const auto& history = fw_.bus().history();
    ASSERT_EQ(history.size(), 3u);
    EXPECT_EQ(history[0].address, (Address{0x74, 0x00}));
    EXPECT_EQ(history[0].data, (Bytes{0x01, 0x02}));
    EXPECT_TRUE(history[0].complete);
    EXPECT_EQ(history[0].at, now_);
    EXPECT_EQ(history[1].address, (Address{0x75, 0x00}));
    EXPECT_FALSE(history[1].complete);
    EXPECT_EQ(history[2].address, (Address{0x30, 0x01}));
    EXPECT_TRUE(history[2].data.empty());
}

TEST_F(ControlTest, ExpanderSetsTheInputPinsAndRaisesInt) {
    EXPECT_EQ(run("expander FE"), "ok");
    EXPECT_EQ(fw_.expander().inputs(), 0xFE);
    EXPECT_TRUE(fw_.expander().pullsInt());
}

TEST_F(ControlTest, IntIsReportedAsASourceInNoTable) {
    fw_.setLatency(0);
    Send(fw_, {0x43, 0x03, 0x41, 0x00, 0x01, 0x04}, now_);
    Send(fw_, {0x45, 0x01, 0x01, 0x04}, now_);
    EXPECT_EQ(Collect(fw_, now_), (Bytes{0x4A, 0x00, 0x04, 0x4A, 0x00, 0x04}));
    EXPECT_EQ(run("int"), "ok");
    EXPECT_EQ(Collect(fw_, now_ + 100), (Bytes{0x4F, 0x00, 0x04, 0x49, 0x01, 0x4D, 0x04}));
}

TEST_F(ControlTest, NakAndStretchApplyToTheDeviceAtTheAddress) {
    EXPECT_EQ(run("nak 0072 on"), "ok");
    EXPECT_EQ(fw_.bus().write(Address{0x72, 0x00}, Bytes{0x01}, now_).status, 0x20);
    EXPECT_EQ(run("nak 0073 off"), "ok");
    EXPECT_EQ(fw_.bus().write(Address{0x72, 0x00}, Bytes{0x01}, now_).status, 0);
    EXPECT_EQ(run("stretch A0 on"), "ok");
    EXPECT_EQ(fw_.bus().read(Address{0xA1, 0x00}, 1, now_).status, 0x22);
    EXPECT_EQ(run("nak 0030 on"), "error no device at 0030");
}

TEST_F(ControlTest, TemperatureVersionAndPromptAreWhatTheModemReports) {
    EXPECT_EQ(run("temperature -12.5"), "ok");
    EXPECT_EQ(fw_.thermometer().temperature(), -12.5);
    EXPECT_EQ(run("version 1 2 3"), "ok");
    EXPECT_EQ(fw_.version(), (std::array<std::uint8_t, 3>{1, 2, 3}));
    EXPECT_EQ(run("prompt >"), "ok");
    EXPECT_EQ(fw_.prompt(), '>');
}

TEST_F(ControlTest, ReceivedListsTheHostsBytesOnce) {
    Send(fw_, {0x11, 0x00, 0x04}, now_);
    EXPECT_EQ(run("received"), "ok 11 00 04");
    EXPECT_EQ(run("received"), "ok");
}

TEST_F(ControlTest, StatusSumsUpTheModemsSettings) {
    run("latency 7");
    Send(fw_, {0x41, 0x02, 0x74, 0x00, 0x04}, now_);
    const std::string status = run("status");
    EXPECT_NE(status.find("latency=7"), std::string::npos) << status;
    EXPECT_NE(status.find("filter=0074"), std::string::npos) << status;
    EXPECT_NE(status.find("version=2.2.0"), std::string::npos) << status;
    EXPECT_EQ(status.rfind("ok ", 0), 0u);
}

TEST_F(ControlTest, HelpListsTheCommands) {
    const std::string help = run("help");
    EXPECT_NE(help.find("traffic ADDR"), std::string::npos);
    EXPECT_NE(help.find("unplug"), std::string::npos);
}

TEST(DemoTraffic, TalksOnTheBusAndMovesAnExpanderInput) {
    Firmware fw;
    DemoTraffic demo;
    demo.advance(fw, 100'000);
    EXPECT_TRUE(fw.bus().history().empty());
    demo.start(0);
    demo.advance(fw, DemoTraffic::kTrafficPeriodMs - 1);
    EXPECT_TRUE(fw.bus().history().empty());
    demo.advance(fw, DemoTraffic::kTrafficPeriodMs);
    EXPECT_EQ(fw.bus().history().size(), 1u);
    EXPECT_EQ(fw.expander().inputs(), 0xFF);
    demo.advance(fw, DemoTraffic::kInputPeriodMs);
    EXPECT_EQ(fw.bus().history().size(),
              DemoTraffic::kInputPeriodMs / DemoTraffic::kTrafficPeriodMs);
    EXPECT_EQ(fw.expander().inputs(), 0xFE);
    EXPECT_TRUE(fw.expander().pullsInt());
    demo.stop();
    demo.advance(fw, 3 * DemoTraffic::kInputPeriodMs);
    EXPECT_EQ(fw.expander().inputs(), 0xFE);
}

}  // namespace
}  // namespace i2ct::sim
