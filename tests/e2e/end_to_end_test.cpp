// The real window, the real serial code and discovery against the real i2c-modem-sim over a
// pseudo-terminal. These take real time: every wait is a condition with a deadline.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>

#include "app/terminal.h"
#include "platform/linux/library_loader.h"
#include "platform/linux/linux_clock.h"
#include "platform/linux/serial_port.h"
#include "sim_process.h"
#include "ui/qt_text.h"
#include "ui/terminal_window.h"

namespace i2ct {
namespace {

using namespace std::chrono_literals;

class EndToEnd : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        runtime_ = new std::filesystem::path(std::filesystem::temp_directory_path() /
                                             ("i2ct-e2e-" + std::to_string(getpid())));
        std::filesystem::create_directories(*runtime_);
        // The terminal's discovery reads the simulator's device file from here.
        setenv("XDG_RUNTIME_DIR", runtime_->c_str(), 1);
    }
    static void TearDownTestSuite() {
        std::filesystem::remove_all(*runtime_);
        delete runtime_;
    }

    void SetUp() override {
        sim = std::make_unique<test::SimProcess>(I2CT_SIM_BINARY, runtime_->string());
        window = std::make_unique<ui::TerminalWindow>();
        terminal = std::make_unique<Terminal>(window->ports(clock, libraries, serialPorts));
        terminal->startUp();
    }
    void TearDown() override {
        terminal->shutDown();
        terminal.reset();
        window.reset();
        sim.reset();
    }

    // Runs the loop until the condition holds; false when the deadline passes first.
    bool runUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit = 8s) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            terminal->runPass();
        }
        return true;
    }
    // Real key presses into the console, then Enter.
    void typeCommand(const QString& text) {
        QTest::keyClicks(&window->window().output(), text);
        QTest::keyClick(&window->window().output(), Qt::Key_Return);
    }
    QStringList console() { return window->window().output().toPlainText().split(u'\n'); }
    bool consoleHas(const QString& line) { return console().contains(line); }
    QString status() { return window->window().statusField().text(); }
    QColor statusColour() { return window->window().statusField().palette().color(QPalette::Base); }
    // Types a command and waits for the line that answers it.
    bool command(const QString& text, const QString& answer, std::chrono::milliseconds limit = 8s) {
        typeCommand(text);
        return runUntil([&] { return consoleHas(answer); }, limit);
    }

    static std::filesystem::path* runtime_;
    std::unique_ptr<test::SimProcess> sim;
    linux_platform::LinuxClock clock;
    linux_platform::LinuxLibraryLoader libraries;
    linux_platform::LinuxSerialPorts serialPorts;
    std::unique_ptr<ui::TerminalWindow> window;
    std::unique_ptr<Terminal> terminal;
};

std::filesystem::path* EndToEnd::runtime_ = nullptr;

const QColor kGreen(0, 224, 0);
const QColor kRed(224, 0, 0);
const QColor kYellow(255, 255, 0);

TEST_F(EndToEnd, StartUpShowsVersionBusClockAndPromptOnline) {
    EXPECT_EQ(console(), (QStringList{"USB <> I2C Modem  Selmur und Vusk     Version: 2.20",
                                      "!I2C-Speed (Hz): 100000", "#"}));
    EXPECT_EQ(status(), "Online");
    EXPECT_EQ(statusColour(), kGreen);
    ASSERT_TRUE(command("GET VERSION", "!Version: 2.20"));
}

TEST_F(EndToEnd, BusWritesReadsAndTheClock) {
    ASSERT_TRUE(command("WR 0072 DF 03 9E", "!WR > OK "));
    typeCommand("RD 0073 08");
    ASSERT_TRUE(runUntil([&] {
        return console().filter(QRegularExpression("^!RD > 03 9E ([0-9A-F]{2} ){6}$")).size() == 1;
    }));
    ASSERT_TRUE(command("WR 0030 01", "!WR  Fehler: Slave reagiert nicht"));
    ASSERT_TRUE(command("SET SPEED 1500", "!I2C-Speed (Hz): 1501"));
}

TEST_F(EndToEnd, GetIntFollowsTheSimulatedLine) {
    ASSERT_TRUE(command("GET INT", "!GET INT > 1"));
    // A changed input of the port expander pulls INT low until someone reads the expander.
    EXPECT_EQ(sim->send("expander FE").substr(0, 2), "ok");
    ASSERT_TRUE(command("GET INT", "!GET INT > 0"));
}

TEST_F(EndToEnd, UnplugGoesOfflineAndPluggingInAgainComesBackOnline) {
    EXPECT_EQ(sim->send("unplug").substr(0, 2), "ok");
    // One keep-alive period plus the reply timeout, and some slack for a loaded machine.
    ASSERT_TRUE(runUntil([&] { return status() == "Offline"; }, 3000ms + 2000ms + 2000ms));
    EXPECT_EQ(statusColour(), kRed);
    EXPECT_EQ(sim->send("plug").substr(0, 2), "ok");
    ASSERT_TRUE(runUntil([&] { return status() == "Online"; }, 8s));
    EXPECT_EQ(statusColour(), kGreen);
    ASSERT_TRUE(command("GET VERSION", "!Version: 2.20"));
}

TEST_F(EndToEnd, OpenEndedListeningDumpsUntilStopIsClicked) {
    ASSERT_TRUE(command("SET FILTER 0074", "!SET FILTER > OK "));
    // While LISTEN runs inside one loop pass, a timer plays the other bus master and, once a
    // dump line is there, the user clicking STOP. Exactly one block of 16 bytes goes out, so
    // nothing is left queued for the keep-alive that follows a long LISTEN.
    int sent = 0;
    bool clicked = false;
    QTimer traffic;
    traffic.setInterval(200);
    QObject::connect(&traffic, &QTimer::timeout, [&] {
        if (sent < 4) {
            sim->send("traffic 0074 11 22 33");
            ++sent;
        } else if (!clicked && console().filter(QRegularExpression("^0000  74 11 22 33 ")).size()) {
            EXPECT_EQ(status(), "BUSSY");
            EXPECT_TRUE(window->window().stopButton().isVisible());
            clicked = true;
            QTest::mouseClick(&window->window().stopButton(), Qt::LeftButton);
        }
    });
    traffic.start();
    typeCommand("LISTEN 0");
    ASSERT_TRUE(runUntil([&] { return consoleHas("!LISTEN - ENDE "); }, 30s));
    traffic.stop();
    EXPECT_TRUE(clicked);
    EXPECT_TRUE(consoleHas("0000  74 11 22 33 74 11 22 33 74 11 22 33 74 11 22 33 "));
    EXPECT_FALSE(window->window().stopButton().isVisible());
    EXPECT_EQ(status(), "Online");
    ASSERT_TRUE(command("GET VERSION", "!Version: 2.20"));
}

TEST_F(EndToEnd, InterruptFromThePortExpanderIsReportedWhileTheFieldBlinks) {
    ASSERT_TRUE(command("LDTB 0041 01", "!LDTB > OK"));
    ASSERT_TRUE(command("CHKINT EIN", "CHKINT EIN > OK"));
    EXPECT_EQ(sim->send("expander F7").substr(0, 2), "ok");
    ASSERT_TRUE(runUntil([&] { return consoleHas("!CHKINT Addr: 041   Data: F7 "); }));
    EXPECT_TRUE(consoleHas("!BREAK on INT-Event "));
    EXPECT_EQ(status(), "BUSSY");
    const QColor before = statusColour();
    ASSERT_TRUE(runUntil([&] { return statusColour() != before; }, 3s)) << "the field blinks";
    EXPECT_TRUE(statusColour() == kGreen || statusColour() == kYellow);
    ASSERT_TRUE(command("CHKINT AUS", "CHKINT AUS > OK"));
    EXPECT_EQ(status(), "Online");
    EXPECT_EQ(statusColour(), kGreen);
}

}  // namespace
}  // namespace i2ct

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
