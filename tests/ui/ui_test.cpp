// The Qt side: the editor and the in-memory area against one contract; the real windows driven
// by real key presses and clicks, the core behind them on a clock that only it moves; and the
// whole terminal against the real i2c-modem-sim over a pty.
#include <gtest/gtest.h>

#include <sys/ioctl.h>
#include <unistd.h>

#include <QtTest>
#include <QtWidgets>

#include "app/help_text.h"
#include "app/terminal.h"
#include "area_contract.h"
#include "platform/linux/library_loader.h"
#include "platform/linux/linux_clock.h"
#include "platform/linux/serial_port.h"
#include "rig.h"
#include "sim_process.h"
#include "ui/qt_text.h"
#include "ui/terminal_window.h"

namespace i2ct {
namespace {

using Events = std::vector<WindowEvent>;
using test::Lines;

// Real key presses, "\n" as the enter key with Shift held, which must start a new line as Enter
// alone does. A key without a key code carries any character, as keyboard layouts hand over
// those they have no code for.
void Type(QWidget* widget, const Text& text, Qt::Key enter = Qt::Key_Return) {
    for (char c : text) {
        QTest::sendKeyEvent(QTest::Click, widget, c == '\n' ? enter : Qt::Key_unknown,
                            ui::ToQString(Text(1, c)),
                            c == '\n' ? Qt::ShiftModifier : Qt::NoModifier);
    }
}

// The editor with the user's side of the in-memory area, done with keys.
struct KeyedEditor : ui::OutputEditor {
    LineIndex cursorLine() const { return textCursor().blockNumber(); }
    std::size_t cursorColumn() const { return std::size_t(textCursor().positionInBlock()); }
    void type(const Text& text) { Type(this, text, Qt::Key_Enter); }
    void backspace() { QTest::keyClick(this, Qt::Key_Backspace); }
    void moveTo(LineIndex line, std::size_t column) {
        QTextCursor c(document()->findBlockByNumber(static_cast<int>(line)));
        c.setPosition(c.position() + static_cast<int>(column));
        setTextCursor(c);
    }
};

TEST(OutputAreaContract, BothAreasAgree) {
    for (const test::AreaCase& c : test::kAreaCases) {
        SCOPED_TRACE(c.name);
        test::CheckArea(MemoryOutputArea(), c);
        test::CheckArea(KeyedEditor(), c);
    }
}

// The terminal on the real window, with a driver that lists no modem.
class Window : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(QTest::qWaitForWindowExposed(&win)); }
    void start() {
        terminal.startUp();
        ASSERT_TRUE(QTest::qWaitFor([this] { return out.hasFocus(); }));
        during(WaitPolicy::Loop);
    }
    // Runs the loop until it has taken every event the window queued.
    void settle() {
        for (int i = 0; i < 1000 && pump.pending(); ++i) EXPECT_TRUE(terminal.runPass());
    }
    // Runs action from within waits with policy; what those and a few more waits returned.
    Events during(
        WaitPolicy policy, const std::function<void()>& action = [] {}) {
        bool done = false;
        QTimer::singleShot(0, &win, [&] {
            action();
            done = true;
        });
        Events events;
        for (QDeadlineTimer limit(30000); !done && !limit.hasExpired();) {
            events.push_back(pump.waitEvent(5, policy, {}));
        }
        for (int i = 0; i < 20; ++i) events.push_back(pump.waitEvent(0, policy, {}));
        std::erase(events, WindowEvent::None);
        return events;
    }
    void clickAt(QPoint at) { QTest::mouseClick(win.windowHandle(), Qt::LeftButton, {}, at); }

    test::VirtualTime time;
    sim::VirtualBench bench{time};
    ui::TerminalWindow window;
    Terminal terminal{window.ports(time, bench, bench)};
    ui::MainWindow& win = window.window();
    ui::OutputEditor& out = win.output();
    ui::EventPump& pump = window.events();
};

TEST_F(Window, TypedLinesRunAndTheirTextsAndColoursReachTheWidgets) {
    start();
    QLineEdit& message = win.messageLine();
    message.clear();
    // A line at a time, as a user types. The first Enter on the empty console puts the prompt
    // below; Enter on an empty line, a prompt or "?" alone, or no Enter, runs nothing.
    for (const char* keys : {"\n", "\n", "?\n", "\n", "hallo"}) {
        Type(&out, keys);
        settle();
    }
    EXPECT_EQ(Lines(out), "|%|%?||%hallo|");
    EXPECT_EQ(message.text(), QString());
    Type(&out, "\n");
    settle();
    EXPECT_EQ(Lines(out), "|%|%?||%hallo|?|");
    EXPECT_EQ(message.text(),
              QStringLiteral(
                  "Kommando nicht erkannt! Mögliche Eingaben: SET, GET, WR, WRITE, DR, READ "));
    EXPECT_EQ(message.palette().color(QPalette::Text), QColor(255, 0, 0));
    QTest::mouseClick(&win.statusField(), Qt::LeftButton);
    Type(QApplication::focusWidget(), "x");
    EXPECT_EQ(win.statusField().text(), QStringLiteral("Offline")) << "only the program writes it";
    EXPECT_TRUE(out.hasFocus());
}

TEST_F(Window, TheLoopGetsEachControlsEventsInOrder) {
    using enum WindowEvent;
    start();
    QTimer::singleShot(1, &win, [this] { Type(&out, "ab"); });
    EXPECT_EQ(pump.waitEvent(30000, WaitPolicy::Loop, {}), OutputArea);
    QTest::mouseClick(&win.helpButton(), Qt::LeftButton);
    QTest::mouseClick(&win.logoButton(), Qt::LeftButton);
    out.giveFocus();
    EXPECT_TRUE(QTest::qWaitFor([this] { return out.hasFocus(); }));
    QCloseEvent request;  // as the close box, the system menu and Alt+F4 come
    QApplication::sendEvent(win.windowHandle(), &request);
    EXPECT_EQ(during(WaitPolicy::Loop),
              (Events{OutputArea, HelpButton, LogoButton, OutputArea, Close}));
    EXPECT_FALSE(win.close());
    EXPECT_FALSE(terminal.runPass()) << "a close request ends the loop";
    EXPECT_TRUE(win.isVisible());
}

TEST_F(Window, WaitsOfCommandsDropTheUsersInputButTheStopClick) {
    start();
    ui::StopButtonPort(win.stopButton()).setVisible(true);
    out.append("#WR 0072 01");
    const auto input = [&] {
        clickAt(out.viewport()->mapTo(&win, QPoint(2, 2)));  // to the start of the line
        Type(&out, "x\n");
    };
    pump.post(WindowEvent::HelpButton);
    EXPECT_EQ(during(WaitPolicy::Command, input), Events{});
    EXPECT_EQ(during(WaitPolicy::Listen, input), Events{});
    EXPECT_EQ(Lines(out), "#WR 0072 01|");
    EXPECT_EQ(out.textCursor().position(), 11) << "where the program left it";
    const QPoint stop = win.stopButton().geometry().center();
    EXPECT_EQ(during(WaitPolicy::Listen, [&] { clickAt(stop); }), Events{WindowEvent::StopButton});
    EXPECT_EQ(
        during(WaitPolicy::Listen, [&] { QTest::mouseClick(&win.stopButton(), Qt::LeftButton); }),
        Events{WindowEvent::StopButton});
    input();
    EXPECT_EQ(Lines(out), "x|#WR 0072 01|") << "the same input counts outside the waits";
}

// A wait that watches the serial line ends once the bytes wait, not for fewer. The line is heard
// through its descriptor; without one, only bytes already there end the wait.
TEST_F(Window, AWaitEndsWhenTheWatchedBytesWait) {
    struct Pipe : SerialPort {
        int fd[2]{};
        bool heard = true;
        void writeByte(std::uint8_t b) override { ASSERT_EQ(write(fd[1], &b, 1), 1); }
        std::optional<std::uint8_t> readByte() override { return std::nullopt; }
        std::size_t waiting() override {
            int n = 0;
            return ioctl(fd[0], FIONREAD, &n) == 0 ? static_cast<std::size_t>(n) : 0;
        }
        int arrivalDescriptor() override { return heard ? fd[0] : -1; }
    };
    for (bool heard : {true, false}) {
        Pipe line;
        ASSERT_EQ(pipe(line.fd), 0);
        line.heard = heard;
        const auto waited = [&](std::uint32_t ms) {
            QElapsedTimer timer;
            timer.start();
            pump.waitEvent(ms, WaitPolicy::Command, {&line, 2});
            return timer.elapsed();
        };
        line.writeByte(1);
        EXPECT_GE(waited(300), 300) << heard;
        QTimer::singleShot(50, &win, [&] { line.writeByte(2); });
        EXPECT_TRUE(heard ? waited(30000) < 10000 : waited(300) >= 300) << heard;
        EXPECT_LT(waited(30000), 10000) << "at once while they wait";
        for (int fd : line.fd) close(fd);
    }
}

TEST_F(Window, TheHelpUntilItIsClosedAndTheLogoWithThePageOfTheStartDirectory) {
    start();
    QPointer<ui::HelpView> seen;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        if (ui::HelpView* view = window.help().view(); view != nullptr && seen.isNull()) {
            seen = view;
            EXPECT_TRUE(QTest::qWaitForWindowExposed(view));
            QPlainTextEdit& text = view->text();
            EXPECT_TRUE(text.isReadOnly());
            EXPECT_EQ(text.document()->blockCount(), int(HelpLines().size()) + 1) << "a line each";
            QTest::keyClick(&text, Qt::Key_End, Qt::ControlModifier);
            EXPECT_GT(text.verticalScrollBar()->value(), 0) << "the keys move through the text";
            EXPECT_FALSE(view->close()) << "it only asks the loop";
        }
    });
    user.start(1);
    QTest::mouseClick(&win.helpButton(), Qt::LeftButton);
    settle();
    EXPECT_EQ(window.help().view(), nullptr);
    EXPECT_TRUE(seen.isNull()) << "closed means destroyed";
    EXPECT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == &win; }));
    QTextBrowser opened;  // a slot that takes the URL
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &opened, "setSource");
    QTest::mouseClick(&win.logoButton(), Qt::LeftButton);
    settle();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    EXPECT_EQ(opened.source().toLocalFile(), QStringLiteral("/bench/selmur.html"));
}

// The whole terminal against the real i2c-modem-sim, in real time: every wait is a condition
// with a deadline.
class EndToEnd : public ::testing::Test {
  protected:
    // Where the simulator announces itself, and so where discovery looks.
    static std::string Announced(const QTemporaryDir& dir) {
        setenv("XDG_RUNTIME_DIR", qPrintable(dir.path()), 1);
        return dir.path().toStdString();
    }
    bool shows(const char* text, const QColor& colour) const {
        return status.text() == text && status.palette().color(QPalette::Base) == colour;
    }
    // Whether a whole line of the console since the last typed command matches the pattern.
    bool has(const QString& pattern) const {
        return output.toPlainText().mid(mark).contains(
            QRegularExpression("(^|\n)" + pattern + "(\n|$)"));
    }
    bool runUntil(const std::function<bool()>& done, int seconds = 20) {
        for (QDeadlineTimer end(seconds * 1000); !done() && !end.hasExpired();) terminal.runPass();
        return done();
    }
    // Types the line and Enter with real key presses, then runs the loop until the answer is in.
    bool command(const QString& line, const QString& answer, int seconds = 20) {
        mark = output.toPlainText().size();
        QTest::keyClicks(&output, line + u'\r');
        return runUntil([&] { return has(answer); }, seconds);
    }

    QTemporaryDir runtime;
    test::SimProcess sim{I2CT_SIM_BINARY, Announced(runtime)};
    linux_platform::LinuxClock clock;
    linux_platform::LinuxLibraryLoader libraries;
    linux_platform::LinuxSerialPorts serialPorts;
    ui::TerminalWindow window;
    Terminal terminal{window.ports(clock, libraries, serialPorts)};
    ui::OutputEditor& output = window.window().output();
    QLineEdit& status = window.window().statusField();
    QPushButton& stop = window.window().stopButton();
    const QColor green{0, 224, 0};
    qsizetype mark = 0;
};

TEST_F(EndToEnd, ASessionWithTheSimulatedModem) {
    terminal.startUp();
    EXPECT_EQ(output.toPlainText(),
              "USB <> I2C Modem  Selmur und Vusk     Version: 2.20\n"
              "!I2C-Speed (Hz): 100000\n#");
    EXPECT_TRUE(shows("Online", green));
    EXPECT_TRUE(command("GET VERSION", "!Version: 2.20"));
    EXPECT_TRUE(command("WR 0072 DF 03 9E", "!WR > OK "));
    EXPECT_TRUE(command("RD 0073 08", "!RD > 03 9E ([0-9A-F]{2} ){6}"));
    // While LISTEN 0 runs inside one loop pass, a timer plays the other bus master and then the
    // user, who clicks STOP once the dump is there. Exactly one block of 16 bytes goes out, so
    // nothing is left queued for the keep-alive that follows.
    EXPECT_TRUE(command("SET FILTER 0074", "!SET FILTER > OK "));
    int sent = 0;
    bool listening = false;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        if (sent++ < 4) {
            sim.send("traffic 0074 11 22 33");
        } else if (!listening && has("0000  (74 11 22 33 ){4}")) {
            listening = status.text() == "BUSSY" && stop.isVisible();
            QTest::mouseClick(&stop, Qt::LeftButton);
        }
    });
    user.start(200);
    EXPECT_TRUE(command("LISTEN 0", "!LISTEN - ENDE ", 30));
    user.stop();
    EXPECT_TRUE(listening);
    EXPECT_FALSE(stop.isVisible());
    EXPECT_TRUE(shows("Online", green));
    EXPECT_TRUE(command("LDTB 0041 01", "!LDTB > OK"));
    EXPECT_TRUE(command("CHKINT EIN", "CHKINT EIN > OK"));
    EXPECT_EQ(sim.send("expander F7"), "ok");  // a changed input of the port expander pulls INT
    EXPECT_TRUE(runUntil([&] { return has("!CHKINT Addr: 041   Data: F7 "); }));
    EXPECT_TRUE(has("!BREAK on INT-Event ") && status.text() == "BUSSY");
    const QColor first = status.palette().color(QPalette::Base);
    EXPECT_TRUE(runUntil([&] { return status.palette().color(QPalette::Base) != first; }, 10))
        << "the field blinks";
    EXPECT_TRUE(command("CHKINT AUS", "CHKINT AUS > OK"));
    EXPECT_TRUE(shows("Online", green));
    terminal.shutDown();
}

// The timings the user sees, now that the loop sleeps and replies are read as they come: the
// keep-alive 3 s after the last exchange, the message cleared 5 s after it showed, the turning
// character of a command's wait every 160 ms, the blink every 750 ms. Each is due once more than
// its interval has passed; a loaded machine may make it late, never early.
TEST_F(EndToEnd, TheUsersTimingsStayAsTheyWere) {
    terminal.startUp();
    const Program& p = terminal.program();
    const auto within = [](Tick from, Tick to, Tick interval) {
        return to - from > interval && to - from <= interval + 250;
    };
    std::vector<std::pair<Tick, QString>> messages;
    QObject::connect(&window.window().messageLine(), &QLineEdit::textChanged,
                     [&](const QString& text) { messages.emplace_back(clock.ticks(), text); });
    const Tick exchanged = p.LastExchangeTime;
    EXPECT_TRUE(command("x", "\\?"));
    const Tick shown = p.MessageTime;
    EXPECT_TRUE(runUntil([&] { return p.LastExchangeTime != exchanged; }));
    EXPECT_TRUE(within(exchanged, p.LastExchangeTime, 3000)) << "keep-alive";
    EXPECT_TRUE(runUntil([&] { return !p.MessageShown; }));
    EXPECT_TRUE(within(shown, messages.back().first, 5000)) << "message cleared";
    EXPECT_EQ(sim.send("latency 1000"), "ok");
    messages.clear();
    EXPECT_TRUE(command("WR 0072 DF 03 9E", "!WR > OK "));
    ASSERT_GE(messages.size(), 7u);
    for (std::size_t i = 1; i + 1 < messages.size(); ++i) {
        EXPECT_TRUE(within(messages[i - 1].first, messages[i].first, 159)) << i;
    }
    EXPECT_EQ(sim.send("latency 2"), "ok");
    EXPECT_TRUE(command("LDTB 0041 01", "!LDTB > OK"));
    EXPECT_TRUE(command("CHKINT EIN", "CHKINT EIN > OK"));
    for (Tick blink = p.BlinkTime, n = 0; n < 4; ++n, blink = p.BlinkTime) {
        EXPECT_TRUE(runUntil([&] { return p.BlinkTime != blink; }, 10));
        EXPECT_TRUE(within(blink, p.BlinkTime, 750)) << "blink " << n;
    }
    terminal.shutDown();
}

// The modem goes while the window idles, inside a slow WR, during LISTEN 0 and while interrupts
// are watched. A timer unplugs it once the command's message shows and then plays the user at
// the STOP button. The terminal keeps watching across the unplug, so that comes last.
struct Unplug {
    const char* name;
    const char* latency;
    std::vector<std::pair<QString, QString>> before;  // typed lines and their answers
    // The command it lands in, a piece of its message while it runs, and its last line.
    QString line, running, end;
};
// clang-format off
const Unplug kUnplugs[] = {
    {"Idle", "2", {}, "", "", ""},
    {"InsideWR", "1000", {}, "WR 0072 01", "Slave", "\\?WR > ERROR "},
    {"DuringListen", "2", {{"SET FILTER 0074", "!SET FILTER > OK "}}, "LISTEN 0", "lauscht",
     "!LISTEN - ENDE "},
    {"WatchingInterrupts", "2", {{"LDTB 0041 01", "!LDTB > OK"}, {"CHKINT EIN", "CHKINT EIN > OK"}},
     "", "", ""},
};
// clang-format on

TEST_F(EndToEnd, TheModemUnpluggedAndBack) {
    terminal.startUp();
    for (const Unplug& u : kUnplugs) {
        SCOPED_TRACE(u.name);
        EXPECT_EQ(sim.send(std::string("latency ") + u.latency), "ok");
        for (const auto& [line, answer] : u.before) EXPECT_TRUE(command(line, answer));
        bool unplugged = u.line.isEmpty() && sim.send("unplug") == "ok";
        QTimer user;
        QObject::connect(&user, &QTimer::timeout, [&] {
            if (!unplugged && window.window().messageLine().text().contains(u.running)) {
                unplugged = sim.send("unplug") == "ok";
            } else if (unplugged && stop.isVisible()) {
                QTest::mouseClick(&stop, Qt::LeftButton);
            }
        });
        user.start(100);
        EXPECT_TRUE(u.line.isEmpty() || command(u.line, u.end, 30));
        user.stop();
        EXPECT_TRUE(unplugged);
        EXPECT_EQ(sim.send("latency 2"), "ok");  // the default, for the rest
        EXPECT_TRUE(command("x", "\\?")) << "the next command is taken";
        // One keep-alive period and the reply timeout, with slack for a loaded machine.
        EXPECT_TRUE(runUntil([&] { return status.text() == "Offline"; }, 15));
        EXPECT_EQ(sim.send("plug"), "ok");
        EXPECT_TRUE(runUntil([&] { return status.text() == "Online"; }));
        EXPECT_TRUE(command("GET VERSION", "!Version: 2.20"));
    }
    terminal.shutDown();
}

}  // namespace
}  // namespace i2ct

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
