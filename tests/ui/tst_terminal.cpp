// The whole terminal in the real window without a modem: keys typed with real key presses,
// the loop run pass by pass.

#include <QDeadlineTimer>
#include <QDesktopServices>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <memory>

#include "app/terminal.h"
#include "platform/colour.h"
#include "ui/qt_text.h"
#include "ui/terminal_window.h"

namespace i2ct::ui {
namespace {

constexpr int kPatienceMs = 60000;

QString UnknownCommand() {
    return QStringLiteral(
        "Kommando nicht erkannt! Mögliche Eingaben: SET, GET, WR, WRITE, DR, READ ");
}

// Time moves only when the program sleeps or the test jumps ahead, so every interval is exact.
class JumpingClock : public Clock {
  public:
    Tick ticks() override { return now_; }
    void sleep(std::uint32_t ms) override { now_ += ms; }
    void jump(std::uint32_t ms) { now_ += ms; }

  private:
    Tick now_ = 1000;
};

// No serial port opens.
class NoSerialPorts : public SerialPorts {
  public:
    std::unique_ptr<SerialPort> open(const Text&) override { return nullptr; }
};

// A driver that lists no devices.
class EmptyDriver : public DeviceDriver {
  public:
    int createDeviceInfoList() override { return 0; }
    std::vector<Text> deviceDescriptions() override { return {}; }
    std::optional<int> open(int) override { return std::nullopt; }
    Text portName(int) override { return {}; }
    void close(int) override {}
};

class EmptyDriverLoader : public LibraryLoader {
  public:
    Text currentDirectory() override { return "/tmp/Start Verzeichnis"; }
    char directorySeparator() override { return '/'; }
    std::unique_ptr<DeviceDriver> load(const Text&) override {
        return std::make_unique<EmptyDriver>();
    }
};

// The terminal on the real window.
struct Rig {
    JumpingClock clock;
    EmptyDriverLoader libraries;
    NoSerialPorts serialPorts;
    TerminalWindow window;
    Terminal terminal{window.ports(clock, libraries, serialPorts)};
};

}  // namespace

// Records the URLs handed to the desktop.
class Opened : public QObject {
    Q_OBJECT

  public:
    std::vector<QUrl> urls;

  public slots:
    void openUrl(const QUrl& url) { urls.push_back(url); }
};

class TerminalTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<Rig> rig_;

    OutputEditor& output() { return rig_->window.window().output(); }
    QLineEdit& message() { return rig_->window.window().messageLine(); }
    QLineEdit& status() { return rig_->window.window().statusField(); }

    // The console's lines, each ending in "|" so that empty lines show.
    QString lines() {
        QString all;
        for (LineIndex i = 0; i < output().count(); ++i) {
            all += ToQString(output().get(i)) + u'|';
        }
        return all;
    }

    // Runs passes until the loop has taken every event the window queued.
    void settle() {
        const QDeadlineTimer deadline(kPatienceMs);
        while (rig_->window.events().pending() && !deadline.hasExpired()) {
            QVERIFY(rig_->terminal.runPass());
        }
        QVERIFY(!rig_->window.events().pending());
    }

    void type(const char* keys) {
        QTest::keyClicks(&output(), keys);
        settle();
    }

    void enter() {
        QTest::keyClick(&output(), Qt::Key_Return);
        settle();
    }

    QColor messageColour() { return message().palette().color(QPalette::Text); }

    std::pair<int, int> cursor() {
        const QTextCursor c = output().textCursor();
        return {c.blockNumber(), c.positionInBlock()};
    }

  private slots:
    void init() {
        rig_ = std::make_unique<Rig>();
        QVERIFY(QTest::qWaitForWindowExposed(&rig_->window.window()));
        rig_->terminal.startUp();
        QTRY_VERIFY(output().hasFocus());
        settle();
    }

    void cleanup() { rig_.reset(); }

    void startsOfflineWithAnEmptyConsole() {
        QCOMPARE(status().text(), QStringLiteral("Offline"));
        QCOMPARE(status().palette().color(QPalette::Base), QColor(224, 0, 0));
        QCOMPARE(output().count(), 0);
        QCOMPARE(message().palette().color(QPalette::Base), QColor(207, 207, 207));
        QCOMPARE(rig_->terminal.program().PromptChar, Text("%"));
    }

    void anUnknownWordGetsTheQuestionMarkAndTheRedError() {
        enter();
        type("hallo");
        enter();
        QCOMPARE(lines(), QStringLiteral("|%hallo|?|"));
        QCOMPARE(message().text(), UnknownCommand());
        QCOMPARE(messageColour(), QColor(255, 0, 0));
        QCOMPARE(cursor(), std::make_pair(2, 1));
    }

    void theFirstEnterOnTheEmptyAreaPutsThePromptOnTheNewLine() {
        const QString before = message().text();
        enter();
        QCOMPARE(lines(), QStringLiteral("|%|"));
        QCOMPARE(cursor(), std::make_pair(1, 1));
        QCOMPARE(message().text(), before);
    }

    void enterOnAnEmptyOrPromptOrQuestionMarkLineRunsNothing() {
        const QString before = message().text();
        enter();
        enter();
        QCOMPARE(lines(), QStringLiteral("|%|%|"));
        type("?");
        enter();
        QCOMPARE(lines(), QStringLiteral("|%|%?||"));
        enter();
        QCOMPARE(lines(), QStringLiteral("|%|%?||%|"));
        QCOMPARE(message().text(), before);
        QVERIFY(message().text() != UnknownCommand());
    }

    void typingWithoutEnterRunsNothing() {
        enter();
        const QString before = message().text();
        type("hallo");
        for (int i = 0; i < 30; ++i) {
            type(" und noch mehr");
        }
        QCOMPARE(output().count(), 2);
        QCOMPARE(output().get(1).size(), std::size_t{1 + 5 + 30 * 14});
        QCOMPARE(message().text(), before);
    }

    void anEarlierLineRunsAgainWithItsOutputBelowIt() {
        enter();
        type("foo");
        enter();
        enter();
        type("bar");
        enter();
        QCOMPARE(lines(), QStringLiteral("|%foo|?|%bar|?|"));
        QTest::keyClick(&output(), Qt::Key_Home, Qt::ControlModifier);
        QTest::keyClick(&output(), Qt::Key_Down);
        QTest::keyClick(&output(), Qt::Key_End);
        message().clear();
        enter();
        QCOMPARE(lines(), QStringLiteral("|%foo|?|?|%bar|?|"));
        QCOMPARE(cursor(), std::make_pair(2, 1));
        QCOMPARE(message().text(), UnknownCommand());
    }

    void aLongConsoleStillFindsCommands() {
        enter();
        for (int i = 0; i < 210; ++i) {
            enter();
        }
        QCOMPARE(output().count(), 212);
        QCOMPARE(output().get(211), Text("%"));
        type("zzz");
        enter();
        QCOMPARE(output().count(), 213);
        QCOMPARE(output().get(211), Text("%zzz"));
        QCOMPARE(output().get(212), Text("?"));
        QCOMPARE(message().text(), UnknownCommand());
    }

    void theMessageLineClearsAfterFiveSeconds() {
        type("x");
        enter();
        QCOMPARE(message().text(), UnknownCommand());
        rig_->clock.jump(5000);
        QVERIFY(rig_->terminal.runPass());
        QCOMPARE(message().text(), UnknownCommand());
        rig_->clock.jump(1);
        QVERIFY(rig_->terminal.runPass());
        QCOMPARE(message().text(), QString());
        QCOMPARE(messageColour(), QColor(0, 0, 0));
    }

    void theHelpWindowHoldsTheLoopUntilAClose() {
        QPointer<HelpView> seen;
        QString messageDuringHelp;
        QString linesDuringHelp;
        int step = 0;
        // Acts from inside the help window's waits, where the pass is held.
        QTimer user;
        connect(&user, &QTimer::timeout, this, [&] {
            if (step == 0 && rig_->window.help().view() != nullptr) {
                seen = rig_->window.help().view();
                QTest::keyClicks(&output(), "abc");
                QTest::keyClick(&output(), Qt::Key_Return);
                rig_->clock.jump(6000);
                step = 1;
            } else if (step == 1) {
                messageDuringHelp = message().text();
                linesDuringHelp = lines();
                rig_->window.window().close();
                step = 2;
                user.stop();
            }
        });
        user.start(1);
        enter();
        const QString before = message().text();
        QTest::mouseClick(&rig_->window.window().helpButton(), Qt::LeftButton);
        const QDeadlineTimer deadline(kPatienceMs);
        while (!(step == 2 && seen.isNull()) && !deadline.hasExpired()) {
            QVERIFY(rig_->terminal.runPass());
        }
        QCOMPARE(step, 2);
        QCOMPARE(messageDuringHelp, before);
        QCOMPARE(linesDuringHelp, QStringLiteral("|%abc||"));
        QVERIFY(seen.isNull());
        QVERIFY(rig_->window.help().view() == nullptr);
        QVERIFY(rig_->window.window().isVisible());
        // The pass goes on after the help: the message is more than 5 s old now.
        QCOMPARE(message().text(), QString());
        QTRY_COMPARE(QApplication::activeWindow(), &rig_->window.window());

        // The typed line runs at the next event of the output area: the user clicks into it,
        // as the help button kept the focus.
        QCOMPARE(lines(), QStringLiteral("|%abc||"));
        QTest::mouseClick(output().viewport(), Qt::LeftButton);
        settle();
        QCOMPARE(lines(), QStringLiteral("|%abc|?|"));
        QCOMPARE(message().text(), UnknownCommand());
    }

    void theLogoButtonOpensTheHelpPageOfTheStartDirectory() {
        Opened opened;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &opened, "openUrl");
        QTest::mouseClick(&rig_->window.window().logoButton(), Qt::LeftButton);
        settle();
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(opened.urls.size(), std::size_t{1});
        QCOMPARE(opened.urls[0].toLocalFile(),
                 QStringLiteral("/tmp/Start Verzeichnis/selmur.html"));
    }

    void closingTheMainWindowEndsTheLoopButNotTheWindow() {
        QVERIFY(!rig_->window.window().close());
        QVERIFY(!rig_->terminal.runPass());
        QVERIFY(rig_->window.window().isVisible());
        rig_->terminal.shutDown();
    }
};

}  // namespace i2ct::ui

QTEST_MAIN(i2ct::ui::TerminalTest)
#include "tst_terminal.moc"
