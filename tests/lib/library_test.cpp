// libi2cmodem through its C interface against the real i2c-modem-sim on a pty.
#include <grp.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "i2cmodem.h"
#include "sim_process.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// A runtime directory of the test's own, where the simulator announces itself and the library
// looks.
struct Library : ::testing::Test {
    void SetUp() override {
        char name[] = "/tmp/i2cmodem-test-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = name;
        setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    }
    void TearDown() override {
        i2cmodem_close(modem);
        sim.reset();
        std::filesystem::remove_all(dir);
    }
    void start(std::vector<std::string> arguments = {"--latency", "0"}) {
        sim = std::make_unique<i2ct::test::SimProcess>(I2CT_SIM_BINARY, dir, arguments);
    }
    i2cmodem_result read(unsigned address, Bytes& bytes, std::size_t count) {
        bytes.assign(count, 0);
        std::size_t received = 0;
        const i2cmodem_result r = i2cmodem_read(modem, address, bytes.data(), count, &received);
        bytes.resize(received);
        return r;
    }

    std::string dir;
    std::unique_ptr<i2ct::test::SimProcess> sim;
    i2cmodem* modem = nullptr;
};

TEST_F(Library, WritesReadsAndReportsTheModemsRefusalsWithTheirTexts) {
    start();
    ASSERT_EQ(i2cmodem_open(nullptr, &modem), I2CMODEM_OK);
    EXPECT_EQ(i2cmodem_port(modem), sim->port());
    const Bytes serial{0x00, 0x49, 0x32, 0x43};
    Bytes bytes;
    EXPECT_EQ(i2cmodem_write(modem, 0x39, serial.data(), serial.size()), I2CMODEM_OK);
    EXPECT_EQ(i2cmodem_write(modem, 0x39, serial.data(), 1), I2CMODEM_OK);
    EXPECT_EQ(read(0x39, bytes, 3), I2CMODEM_OK);
    EXPECT_EQ(bytes, Bytes(serial.begin() + 1, serial.end()));
    EXPECT_EQ(i2cmodem_status(modem), -1);
    // Nobody at 0x11: the modem's StatusCode 0x20 with its German text, in UTF-8.
    EXPECT_EQ(read(0x7F, bytes, 1), I2CMODEM_REFUSED) << "the highest address is no argument fault";
    EXPECT_EQ(read(0x11, bytes, 1), I2CMODEM_REFUSED);
    EXPECT_EQ(i2cmodem_status(modem), I2CMODEM_STATUS_NO_SLAVE);
    EXPECT_STREQ(i2cmodem_status_text(i2cmodem_status(modem)), "Slave reagiert nicht");
    std::uint8_t in = 0;
    std::size_t got = 9;
    EXPECT_EQ(i2cmodem_write_read(modem, 0x11, serial.data(), 1, &in, 1, &got), I2CMODEM_REFUSED);
    EXPECT_EQ(got, 0U) << "a refused write reads nothing";
    EXPECT_STREQ(i2cmodem_status_text(0x48), "Fehler beim Kommando Tabelle löschen");
    for (const int outside : {-1, 256}) {  // no StatusCode: the text of code 0
        EXPECT_STREQ(i2cmodem_status_text(outside), i2cmodem_status_text(0)) << outside;
    }
    // Refused before anything goes out.
    EXPECT_EQ(i2cmodem_write(modem, 0x39, serial.data(), 0), I2CMODEM_NOT_SUPPORTED);
    EXPECT_EQ(i2cmodem_write(modem, 0x80, serial.data(), 1), I2CMODEM_BAD_ARGUMENT);
    EXPECT_EQ(read(0x39, bytes, 128), I2CMODEM_BAD_ARGUMENT);
    EXPECT_EQ(i2cmodem_set_clock(modem, 39, nullptr), I2CMODEM_BAD_ARGUMENT);
    EXPECT_EQ(i2cmodem_table_load(modem, 0x20, 256), I2CMODEM_BAD_ARGUMENT);
    EXPECT_EQ(i2cmodem_read(nullptr, 0x39, bytes.data(), 1, nullptr), I2CMODEM_BAD_ARGUMENT);
    EXPECT_EQ(i2cmodem_listen(modem, 1, nullptr, 1, nullptr), I2CMODEM_BAD_ARGUMENT);
    int value = 0;
    const auto valueIfOk = [&value](i2cmodem_result r) { return r == I2CMODEM_OK ? value : -1; };
    EXPECT_EQ(valueIfOk(i2cmodem_version(modem, &value)), 220);
    EXPECT_EQ(i2cmodem_status(modem), -1) << "the refusal's code outlived the next exchange";
    std::int32_t hertz = 0;
    EXPECT_EQ(i2cmodem_set_clock(modem, 1500, &hertz), I2CMODEM_OK);
    EXPECT_EQ(hertz, 1501);
    EXPECT_EQ(i2cmodem_set_line(modem, I2CMODEM_LINE_SDA, 0), I2CMODEM_OK);
    EXPECT_EQ(valueIfOk(i2cmodem_get_line(modem, I2CMODEM_LINE_SDA, &value)), 0);
    EXPECT_EQ(valueIfOk(i2cmodem_get_line(modem, I2CMODEM_LINE_SCL, &value)), 1);
    EXPECT_EQ(i2cmodem_set_line(modem, I2CMODEM_LINE_SDA, 1), I2CMODEM_OK);
    EXPECT_EQ(i2cmodem_set_pullups(modem, 0), I2CMODEM_OK);
    EXPECT_EQ(valueIfOk(i2cmodem_get_pullups(modem, &value)), 0);
}

TEST_F(Library, ThreadsShareAHandleEachCallWhole) {
    start();
    ASSERT_EQ(i2cmodem_open(nullptr, &modem), I2CMODEM_OK);
    const Bytes values{0x00, 0x5A, 0xA5, 0x3C};  // registers 0 to 2 of the register device
    ASSERT_EQ(i2cmodem_write(modem, 0x39, values.data(), values.size()), I2CMODEM_OK);
    // Each thread reads its own register, and one reads a missing slave: every value and every
    // thread's own StatusCode must come out right however the calls interleave.
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (std::uint8_t reg = 0; reg < 4; ++reg) {
        threads.emplace_back([&, reg] {
            for (int i = 0; i < 60; ++i) {
                std::uint8_t got = 0;
                const unsigned address = reg < 3 ? 0x39 : 0x11;
                const i2cmodem_result r =
                    i2cmodem_write_read(modem, address, &reg, 1, &got, 1, nullptr);
                const bool right = reg < 3 ? r == I2CMODEM_OK && got == values[reg + 1U] &&
                                                 i2cmodem_status(modem) == -1
                                           : r == I2CMODEM_REFUSED &&
                                                 i2cmodem_status(modem) == I2CMODEM_STATUS_NO_SLAVE;
                wrong += right ? 0 : 1;
            }
        });
    }
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(wrong, 0);
    // A wait for an interrupt lets another thread's calls in, and still gets its event.
    ASSERT_EQ(i2cmodem_table_load(modem, 0x20, 1), I2CMODEM_OK);
    ASSERT_EQ(i2cmodem_monitor(modem, 1), I2CMODEM_OK);
    i2cmodem_event event{};
    std::atomic<bool> waited{false};
    std::thread waiter([&] {
        EXPECT_EQ(i2cmodem_wait_interrupt(modem, 30000, &event), I2CMODEM_OK);
        waited = true;
    });
    Bytes bytes;
    for (int i = 0; i < 10; ++i) EXPECT_EQ(read(0x39, bytes, 2), I2CMODEM_OK);
    EXPECT_FALSE(waited) << "the reads had to wait for the interrupt";
    EXPECT_EQ(sim->send("expander FE"), "ok");
    waiter.join();
    EXPECT_EQ(event.address, 0x20);
    EXPECT_EQ(event.data[0], 0xFE);
}

// A port that does not open is told apart from a missing modem, and named.
TEST_F(Library, TellsABusyOrForbiddenPortFromAMissingModem) {
    start();
    const std::string port = sim->port();
    for (const char* name : {"/dev/null", "/nonexistent/tty"}) {
        EXPECT_EQ(i2cmodem_open(name, &modem), I2CMODEM_NO_MODEM) << name;
        EXPECT_STREQ(i2cmodem_failed_port(), "");
    }
    ASSERT_EQ(i2cmodem_open(nullptr, &modem), I2CMODEM_OK);
    i2cmodem* second = nullptr;
    for (const char* name : {port.c_str(), static_cast<const char*>(nullptr)}) {
        EXPECT_EQ(i2cmodem_open(name, &second), I2CMODEM_PORT_BUSY);
        EXPECT_EQ(second, nullptr);
        EXPECT_EQ(i2cmodem_failed_port(), port);
    }
    EXPECT_STREQ(i2cmodem_result_text(I2CMODEM_PORT_BUSY),
                 "Kann das Modem-Protokoll nicht starten: die Schnittstelle ist belegt");
    i2cmodem_close(modem);
    modem = nullptr;
    // Another program's UUCP lock, where this user may write one.
    const std::string lock = "/var/lock/LCK.." + port.substr(5).replace(3, 1, "_");
    if (std::ofstream(lock) << std::string(10 - std::to_string(getppid()).size(), ' ') << getppid()
                            << '\n') {
        EXPECT_EQ(i2cmodem_open(port.c_str(), &second), I2CMODEM_PORT_BUSY);
        std::filesystem::remove(lock);
    }
    // Nobody may open the line; root, who passes any mode, becomes nobody for the try.
    struct stat node {};
    ASSERT_EQ(stat(port.c_str(), &node), 0);
    ASSERT_EQ(chmod(port.c_str(), 0), 0);
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(100);
        }
        const i2cmodem_result r = i2cmodem_open(port.c_str(), &second);
        _exit(i2cmodem_failed_port() == port ? r : 101);
    }
    int status = 0;
    waitpid(child, &status, 0);
    chmod(port.c_str(), node.st_mode & 07777);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), I2CMODEM_NO_PERMISSION);
    EXPECT_STREQ(i2cmodem_result_text(I2CMODEM_NO_PERMISSION),
                 "Kann das Modem-Protokoll nicht starten: keine Berechtigung für die "
                 "Schnittstelle");
    ASSERT_EQ(i2cmodem_open(port.c_str(), &modem), I2CMODEM_OK);
}

TEST_F(Library, ListensAndReportsInterruptEvents) {
    start();
    ASSERT_EQ(i2cmodem_open(nullptr, &modem), I2CMODEM_OK);
    Bytes bytes(16);
    std::size_t received = 0;
    EXPECT_EQ(i2cmodem_listen(modem, 1, bytes.data(), bytes.size(), &received), I2CMODEM_REFUSED);
    EXPECT_EQ(i2cmodem_status(modem), 0x41);  // no filter yet
    EXPECT_EQ(i2cmodem_set_filter(modem, 0x3A), I2CMODEM_OK);
    EXPECT_EQ(i2cmodem_listen(modem, 2, bytes.data(), bytes.size(), &received), I2CMODEM_REFUSED);
    EXPECT_EQ(i2cmodem_status(modem), 0x43);  // nothing on the bus for it
    EXPECT_EQ(received, 0U) << "a refusal hands over no bytes";
    ASSERT_EQ(i2cmodem_listen_start(modem), I2CMODEM_OK);
    i2cmodem_event event{};  // neither a table nor its events while listening
    EXPECT_EQ(i2cmodem_table_clear(modem), I2CMODEM_BAD_ARGUMENT);
    EXPECT_EQ(i2cmodem_wait_interrupt(modem, 0, &event), I2CMODEM_BAD_ARGUMENT);
    // The stream comes in blocks of 16: the address byte and the data of each transfer seen.
    EXPECT_EQ(sim->send("traffic 0074 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F"), "ok");
    EXPECT_EQ(i2cmodem_listen_read(modem, bytes.data(), bytes.size(), &received, 2000),
              I2CMODEM_OK);
    EXPECT_EQ(received, 16U);
    EXPECT_EQ(bytes[0], 0x74);
    EXPECT_EQ(i2cmodem_listen_stop(modem), I2CMODEM_OK);
    EXPECT_EQ(i2cmodem_listen_read(modem, bytes.data(), bytes.size(), &received, 0),
              I2CMODEM_BAD_ARGUMENT);
    EXPECT_EQ(received, 0U) << "no bytes read: none counted";
    EXPECT_EQ(i2cmodem_monitor(modem, 1), I2CMODEM_REFUSED);
    EXPECT_EQ(i2cmodem_status(modem), 0x4B);  // empty table
    EXPECT_EQ(i2cmodem_table_load(modem, 0x20, 1), I2CMODEM_OK);
    EXPECT_EQ(i2cmodem_monitor(modem, 1), I2CMODEM_OK);
    EXPECT_EQ(i2cmodem_wait_interrupt(modem, 50, &event), I2CMODEM_NO_DATA);
    EXPECT_EQ(sim->send("expander FE"), "ok");
    ASSERT_EQ(i2cmodem_wait_interrupt(modem, 2000, &event), I2CMODEM_OK);
    EXPECT_EQ(event.address, 0x20);
    ASSERT_EQ(event.count, 1);
    EXPECT_EQ(event.data[0], 0xFE);
    EXPECT_EQ(i2cmodem_monitor(modem, 0), I2CMODEM_OK);
    // Closed while it listens, the handle stops the modem with the end byte.
    ASSERT_EQ(i2cmodem_listen_start(modem), I2CMODEM_OK);
    EXPECT_TRUE(sim->send("received").ends_with(" 42 01 00 04"));
    i2cmodem_close(std::exchange(modem, nullptr));
    std::string sent = "ok";
    for (int i = 0; i < 400 && sent == "ok";
         ++i, std::this_thread::sleep_for(std::chrono::milliseconds(5))) {
        sent = sim->send("received");
    }
    EXPECT_EQ(sent, "ok 04");
}

TEST_F(Library, FailsWithoutAModemAndFindsItAgainAfterAnUnplug) {
    EXPECT_EQ(i2cmodem_open(nullptr, &modem), I2CMODEM_NO_MODEM);
    EXPECT_EQ(modem, nullptr);
    start();
    ASSERT_EQ(i2cmodem_open(nullptr, &modem), I2CMODEM_OK);
    Bytes bytes;
    EXPECT_EQ(sim->send("silent on"), "ok");
    EXPECT_EQ(read(0x39, bytes, 2), I2CMODEM_NO_ANSWER);
    EXPECT_EQ(sim->send("silent off"), "ok");
    EXPECT_EQ(read(0x39, bytes, 2), I2CMODEM_OK);
    EXPECT_EQ(sim->send("unplug"), "ok");
    // The read that finds the modem gone waits out its answer; the next one fails at once, in a
    // fraction of that time however busy the machine is.
    const auto timed = [&](i2cmodem_result result) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(read(0x39, bytes, 2), result);
        return std::chrono::steady_clock::now() - start;
    };
    const auto waited = timed(I2CMODEM_NO_ANSWER);
    EXPECT_LT(timed(I2CMODEM_NO_MODEM) * 4, waited);
    EXPECT_STREQ(i2cmodem_port(modem), "");
    EXPECT_EQ(sim->send("plug"), "ok");
    EXPECT_EQ(read(0x39, bytes, 2), I2CMODEM_OK);
    EXPECT_EQ(bytes.size(), 2U);
    EXPECT_EQ(i2cmodem_port(modem), sim->port());
}

}  // namespace
