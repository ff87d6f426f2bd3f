#include "sim/virtual_link.h"

#include <gtest/gtest.h>

#include "virtual_time.h"

namespace i2ct::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

const Text kDefinitionTail = ": baud=115200  parity=N  data=8  stop=1";

void Write(SerialPort& port, const Bytes& bytes) {
    for (const std::uint8_t b : bytes) {
        port.writeByte(b);
    }
}

// Reads until `n` bytes came or a read timed out.
Bytes Read(SerialPort& port, std::size_t n) {
    Bytes out;
    while (out.size() < n) {
        const std::optional<std::uint8_t> b = port.readByte();
        if (!b) {
            break;
        }
        out.push_back(*b);
    }
    return out;
}

class VirtualLinkTest : public ::testing::Test {
  protected:
    VirtualLinkTest() : bench_(time_) { bench_.addModem(); }

    std::unique_ptr<SerialPort> open() {
        return bench_.open(bench_.modem().port() + kDefinitionTail);
    }

    test::VirtualTime time_;
    VirtualBench bench_;
};

TEST_F(VirtualLinkTest, AnAnswerWaitsForTheLatencyOnTheTestsClock) {
    auto port = open();
    ASSERT_NE(port, nullptr);
    bench_.firmware().setLatency(30);
    const Tick start = time_.ticks();
    Write(*port, {0x11, 0x00, 0x04});
    EXPECT_EQ(port->waiting(), 0u);
    time_.sleep(29);
    EXPECT_EQ(port->waiting(), 0u);
    time_.sleep(1);
    EXPECT_EQ(port->waiting(), 6u);
    EXPECT_EQ(Read(*port, 6), (Bytes{0x1A, 0x03, 0x02, 0x02, 0x00, 0x04}));
    EXPECT_EQ(time_.ticks(), start + 30);
    EXPECT_EQ(port->waiting(), 0u);
}

TEST_F(VirtualLinkTest, ReadByteSleepsUntilTheNextByteArrives) {
    auto port = open();
    ASSERT_NE(port, nullptr);
    bench_.firmware().setLatency(50);
    const Tick start = time_.ticks();
    Write(*port, {0x12, 0x00, 0x04});
    EXPECT_EQ(port->readByte(), std::optional<std::uint8_t>(0x1A));
    EXPECT_EQ(time_.ticks(), start + 50);
}

TEST_F(VirtualLinkTest, ReadByteGivesUpAfter110ms) {
    auto port = open();
    ASSERT_NE(port, nullptr);
    bench_.firmware().setLatency(200);
    const Tick start = time_.ticks();
    Write(*port, {0x12, 0x00, 0x04});
    EXPECT_EQ(port->readByte(), std::nullopt);
    EXPECT_EQ(time_.ticks(), start + VirtualLink::kReadTimeoutMs);
    EXPECT_EQ(port->readByte(), std::optional<std::uint8_t>(0x1A));
    EXPECT_EQ(time_.ticks(), start + 200);
}

TEST_F(VirtualLinkTest, ReadByteWaitsForAnswersThatTheFirmwareDecidesLater) {
    auto port = open();
    ASSERT_NE(port, nullptr);
    bench_.firmware().setLatency(0);
    const Tick start = time_.ticks();
    Write(*port, {0x11, 0x00});  // no end byte
    EXPECT_EQ(Read(*port, 4), (Bytes{0x49, 0x01, 0x06, 0x04}));
    EXPECT_EQ(time_.ticks(), start + FrameParser::kByteTimeoutMs);
}

TEST_F(VirtualLinkTest, TimedListeningAnswersAfterTimesFiftyTwoMilliseconds) {
    auto port = open();
    ASSERT_NE(port, nullptr);
    Firmware& fw = bench_.firmware();
    Write(*port, {0x41, 0x02, 0x73, 0x00, 0x04});
    EXPECT_EQ(Read(*port, 3), (Bytes{0x2A, 0x00, 0x04}));
    const Tick start = time_.ticks();
    time_.schedule(start + 300, [&] {
        fw.injectTraffic(Transfer{time_.ticks(), Address{0x73, 0x00}, {0x05}, true});
    });
    Write(*port, {0x42, 0x01, 0x0A, 0x04});
    Bytes answer;
    while (answer.size() < 6 && time_.ticks() - start < 2000) {
        if (const auto b = port->readByte()) {
            answer.push_back(*b);
        }
    }
    EXPECT_EQ(answer, (Bytes{0x4A, 0x03, 0x00, 0x73, 0x05, 0x04}));
    EXPECT_EQ(time_.ticks(), start + 10 * Listener::kTimeUnitMs + fw.latency());
}

TEST_F(VirtualLinkTest, AnUnpluggedPortIsDeadAndTheModemLeavesTheList) {
    auto port = open();
    ASSERT_NE(port, nullptr);
    auto driver = bench_.driver();
    ASSERT_EQ(driver->createDeviceInfoList(), 1);
    Write(*port, {0x11, 0x00, 0x04});
    bench_.unplug();
    time_.sleep(100);
    EXPECT_EQ(port->waiting(), 0u);
    const Tick before = time_.ticks();
    EXPECT_EQ(port->readByte(), std::nullopt);
    EXPECT_EQ(time_.ticks(), before + VirtualLink::kReadTimeoutMs);
    bench_.firmware().clearReceived();
    Write(*port, {0x12, 0x00, 0x04});
    EXPECT_TRUE(bench_.firmware().received().empty());
    EXPECT_EQ(driver->createDeviceInfoList(), 0);
    EXPECT_EQ(open(), nullptr);
}

TEST_F(VirtualLinkTest, PluggedInAgainTheModemAppearsOnANewPortAndTheOldOneStaysDead) {
    auto old = open();
    ASSERT_NE(old, nullptr);
    const Text oldPort = bench_.modem().port();
    bench_.firmware().setPrompt('>');
    bench_.unplug();
    bench_.plug();
    EXPECT_NE(bench_.modem().port(), oldPort);
    auto driver = bench_.driver();
    ASSERT_EQ(driver->createDeviceInfoList(), 1);
    const std::optional<int> handle = driver->open(0);
    ASSERT_TRUE(handle.has_value());
    EXPECT_EQ(driver->portName(*handle), bench_.modem().port());
    Write(*old, {0x12, 0x00, 0x04});
    EXPECT_EQ(old->waiting(), 0u);
    auto port = open();
    ASSERT_NE(port, nullptr);
    Write(*port, {0x12, 0x00, 0x04});
    EXPECT_EQ(Read(*port, 4), (Bytes{0x1A, 0x01, 0x3E, 0x04}));
}

TEST_F(VirtualLinkTest, ThePortAdmitsOneUserAtATime) {
    auto first = open();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(open(), nullptr);
    first.reset();
    EXPECT_NE(open(), nullptr);
    EXPECT_EQ(bench_.opened(), 2u);
}

TEST_F(VirtualLinkTest, APortHeldByAnotherProgramCannotBeOpened) {
    bench_.modem().setPortHeld(true);
    EXPECT_EQ(open(), nullptr);
    EXPECT_EQ(bench_.lastDefinition(), bench_.modem().port() + kDefinitionTail);
}

TEST_F(VirtualLinkTest, OnlyTheDeviceNameBeforeTheColonCounts) {
    EXPECT_EQ(bench_.open("/dev/ttySIM9" + kDefinitionTail), nullptr);
    EXPECT_NE(bench_.open(bench_.modem().port()), nullptr);
}

TEST(VirtualBench, ListsItsModemsInOrderWithTheirDescriptions) {
    test::VirtualTime time;
    VirtualBench bench(time);
    bench.addModem("FT232R USB UART");
    bench.addModem();
    bench.addModem(kSimDescription, "/dev/ttyUSB7");
    auto driver = bench.driver();
    ASSERT_EQ(driver->createDeviceInfoList(), 3);
    EXPECT_EQ(driver->deviceDescriptions(),
              (std::vector<Text>{"FT232R USB UART", kSimDescription, kSimDescription}));
    EXPECT_EQ(driver->portName(*driver->open(2)), "/dev/ttyUSB7");
    EXPECT_EQ(driver->portName(*driver->open(0)), "/dev/ttySIM0");
    EXPECT_EQ(driver->open(3), std::nullopt);
}

TEST(VirtualBench, TheDriverCanRefuseToOpenADevice) {
    test::VirtualTime time;
    VirtualBench bench(time);
    bench.addModem().setDriverRefuses(true);
    auto driver = bench.driver();
    ASSERT_EQ(driver->createDeviceInfoList(), 1);
    EXPECT_EQ(driver->open(0), std::nullopt);
}

TEST(VirtualBench, AListBuiltBeforeAnUnplugDoesNotOpenTheGoneModem) {
    test::VirtualTime time;
    VirtualBench bench(time);
    bench.addModem();
    auto driver = bench.driver();
    ASSERT_EQ(driver->createDeviceInfoList(), 1);
    bench.unplug();
    EXPECT_EQ(driver->open(0), std::nullopt);
}

TEST(VirtualBench, LoadsItsDriverUnlessTheLibraryIsMissing) {
    test::VirtualTime time;
    VirtualBench bench(time);
    bench.addModem();
    auto driver = bench.load("/bench/ftd2xx.dll");
    ASSERT_NE(driver, nullptr);
    EXPECT_EQ(driver->createDeviceInfoList(), 1);
    bench.setLibraryPresent(false);
    EXPECT_EQ(bench.load("/elsewhere/ftd2xx.dll"), nullptr);
    EXPECT_EQ(bench.loads(), (std::vector<Text>{"/bench/ftd2xx.dll", "/elsewhere/ftd2xx.dll"}));
}

}  // namespace
}  // namespace i2ct::sim
