// The real main window, help window and event pump, driven with real key presses and clicks.

#include <QAbstractEventDispatcher>
#include <QDeadlineTimer>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QWindow>
#include <functional>
#include <memory>

#include "app/help_text.h"
#include "platform/colour.h"
#include "ui/qt_text.h"
#include "ui/terminal_window.h"

namespace i2ct::ui {
namespace {

// Long enough never to end a wait that a condition ends first.
constexpr std::uint32_t kPatience = 60000;

QColor PixelAt(QWidget& widget, QPoint at) {
    return widget.grab().toImage().pixelColor(at);
}

QString Name(WindowEvent event) {
    switch (event) {
        case WindowEvent::None:
            return QStringLiteral("None");
        case WindowEvent::OutputArea:
            return QStringLiteral("OutputArea");
        case WindowEvent::HelpButton:
            return QStringLiteral("HelpButton");
        case WindowEvent::LogoButton:
            return QStringLiteral("LogoButton");
        case WindowEvent::StopButton:
            return QStringLiteral("StopButton");
        case WindowEvent::Close:
            return QStringLiteral("Close");
    }
    return QStringLiteral("?");
}

QColor ToColour(Rgb rgb) {
    return {rgb.r, rgb.g, rgb.b};
}

// Whether the widget shows a pixel close to this colour anywhere.
bool ShowsColour(QWidget& widget, const QColor& colour) {
    const QImage image = widget.grab().toImage();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) < 40 &&
                std::abs(c.green() - colour.green()) < 40 &&
                std::abs(c.blue() - colour.blue()) < 40) {
                return true;
            }
        }
    }
    return false;
}

// Counts paint events of a small child, to see that the window repaints during a wait.
class PaintProbe : public QWidget {
  public:
    explicit PaintProbe(QWidget* parent) : QWidget(parent) {}
    int paints = 0;

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(rect(), Qt::gray);
        ++paints;
    }
};

}  // namespace

// Records the URLs handed to the desktop.
class UrlRecorder : public QObject {
    Q_OBJECT

  public:
    std::vector<QUrl> urls;

  public slots:
    void openUrl(const QUrl& url) { urls.push_back(url); }
};

class WindowTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<TerminalWindow> terminal_;

    MainWindow& window() { return terminal_->window(); }
    EventPump& pump() { return terminal_->events(); }

    // Runs action from within the next wait, and waits with policy until it ran; returns what
    // each of those waits returned.
    std::vector<WindowEvent> duringWaits(WaitPolicy policy, const std::function<void()>& action) {
        bool done = false;
        QTimer::singleShot(0, &window(), [&] {
            action();
            done = true;
        });
        std::vector<WindowEvent> results;
        const QDeadlineTimer deadline(kPatience);
        while (!done && !deadline.hasExpired()) {
            results.push_back(pump().waitEvent(5, policy));
        }
        results.push_back(pump().waitEvent(0, policy));
        return results;
    }

    // Drains what the pump holds now, as the names of the events.
    QString drain() {
        QStringList events;
        for (WindowEvent e = pump().waitEvent(0, WaitPolicy::Loop); e != WindowEvent::None;
             e = pump().waitEvent(0, WaitPolicy::Loop)) {
            events.append(Name(e));
        }
        return events.join(u' ');
    }

    // Fills the output area with lines, the cursor at the end, and returns where a click puts
    // the cursor at the start of the first line, in the window's and the viewport's terms.
    std::pair<QPoint, QPoint> prepareOutputClick() {
        OutputEditor& output = window().output();
        for (const char* line : {"#WR 0072 01", "!WR > OK ", "#"}) {
            output.append(line);
        }
        const QPoint inViewport(2, output.cursorRect(QTextCursor(output.document())).center().y());
        return {output.viewport()->mapTo(&window(), inViewport), inViewport};
    }

    int cursorPosition() { return window().output().textCursor().position(); }

    QPoint centreInWindow(QWidget& control) {
        return control.mapTo(&window(), control.rect().center());
    }

  private slots:
    void init() {
        terminal_ = std::make_unique<TerminalWindow>();
        QVERIFY(QTest::qWaitForWindowExposed(&window()));
        window().output().giveFocus();
        QTRY_VERIFY(window().output().hasFocus());
        drain();
    }

    void cleanup() { terminal_.reset(); }

    void titleFramePlaceAndSize() {
        QCOMPARE(window().windowTitle(),
                 QStringLiteral("I2C-BUS    USB   Terminal    V 2.2            Selmur & Vusk"));
        QCOMPARE(window().size(), QSize(1000, 660));
        QCOMPARE(window().frameGeometry().topLeft(), QPoint(100, 235));
        const Qt::WindowFlags flags = window().windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowTitleHint));
        QVERIFY(flags.testFlag(Qt::WindowSystemMenuHint));
        QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY2(window().minimumSize() != window().maximumSize(), "it has a sizing border");
        QVERIFY(window().isVisible());
        QVERIFY(!window().isMinimized() && !window().isMaximized());
    }

    void controlsSitInTheirPlacesInCreationOrder() {
        MainWindow& w = window();
        const std::vector<std::pair<QWidget*, QRect>> table{
            {&w.statusField(), {160, 10, 60, 20}},  {&w.statusLabel(), {10, 10, 130, 20}},
            {&w.helpButton(), {950, 10, 20, 20}},   {&w.messageLabel(), {10, 630, 70, 20}},
            {&w.messageLine(), {90, 630, 650, 20}}, {&w.logoButton(), {800, 630, 170, 20}},
            {&w.stopButton(), {230, 10, 130, 20}},  {&w.output(), {10, 40, 970, 580}},
        };
        std::vector<QWidget*> created;
        for (QObject* child : w.children()) {
            if (auto* widget = qobject_cast<QWidget*>(child)) {
                created.push_back(widget);
            }
        }
        QCOMPARE(created.size(), table.size());
        for (std::size_t i = 0; i < table.size(); ++i) {
            QCOMPARE(created[i], table[i].first);
            QCOMPARE(table[i].first->geometry(), table[i].second);
        }
        QCOMPARE(w.statusLabel().text(), QStringLiteral("Modem-Status:"));
        QCOMPARE(w.messageLabel().text(), QStringLiteral("Status:"));
        QCOMPARE(w.helpButton().text(), QStringLiteral("?"));
        QCOMPARE(w.stopButton().text(), QStringLiteral("LISTEN - STOP"));
        QVERIFY(w.statusLabel().alignment().testFlag(Qt::AlignRight));
        QVERIFY(w.messageLabel().alignment().testFlag(Qt::AlignRight));
        for (const auto& [control, place] : table) {
            QCOMPARE(control->isVisible(), control != &w.stopButton());
        }
    }

    void controlsStayPutWhenTheWindowIsResized() {
        const QRect output = window().output().geometry();
        const QRect logo = window().logoButton().geometry();
        const QRect help = window().helpButton().geometry();
        for (const QSize size : {QSize(500, 300), QSize(1400, 900)}) {
            window().resize(size);
            QTRY_COMPARE(window().size(), size);
            QCOMPARE(window().output().geometry(), output);
            QCOMPARE(window().logoButton().geometry(), logo);
            QCOMPARE(window().helpButton().geometry(), help);
        }
    }

    void labelAndConsoleFonts() {
        for (QLabel* label : {&window().statusLabel(), &window().messageLabel()}) {
            QCOMPARE(label->font().family(), QStringLiteral("Arial"));
            QCOMPARE(label->font().pointSize(), 10);
            QVERIFY(label->font().bold());
            QVERIFY(QFontInfo(label->font()).bold());
        }
        const QFont console = window().output().font();
        QCOMPARE(console.family(), QStringLiteral("Courier New"));
        QCOMPARE(console.pointSize(), 12);
        QVERIFY(!console.bold());
        QVERIFY(QFontInfo(console).fixedPitch());
        const QFont gui = QApplication::font();
        const std::vector<QWidget*> plain{&window().statusField(), &window().messageLine(),
                                          &window().helpButton(), &window().stopButton()};
        for (QWidget* control : plain) {
            QCOMPARE(control->font(), gui);
        }
    }

    void coloursOfTheFieldsAndTheWindow() {
        QCOMPARE(window().statusField().text(), QStringLiteral("Offline"));
        QCOMPARE(PixelAt(window().statusField(), {54, 10}), ToColour(colour::kRed));
        QCOMPARE(PixelAt(window().messageLine(), {325, 10}), ToColour(colour::kGrey));
        const QColor buttonFace = QApplication::palette().color(QPalette::Button);
        QCOMPARE(PixelAt(window(), {600, 25}), buttonFace);
        QCOMPARE(PixelAt(window(), {5, 655}), buttonFace);
    }

    void statusFieldIsWrittenOnlyByTheProgram() {
        QLineEdit& status = window().statusField();
        QVERIFY(!status.isReadOnly());
        QTest::mouseClick(&status, Qt::LeftButton);
        QTest::keyClicks(QApplication::focusWidget(), "x");
        QCOMPARE(status.text(), QStringLiteral("Offline"));
        QVERIFY(window().output().hasFocus());

        StatusFieldPort port(status);
        port.setStatus("Online", colour::kGreen);
        QCOMPARE(status.text(), QStringLiteral("Online"));
        QCOMPARE(PixelAt(status, {54, 10}), ToColour(colour::kGreen));
        port.setBackground(colour::kYellow);
        QCOMPARE(status.text(), QStringLiteral("Online"));
        QCOMPARE(PixelAt(status, {54, 10}), ToColour(colour::kYellow));
    }

    void messageLineShowsTextInBlackOrErrorRed() {
        QLineEdit& line = window().messageLine();
        QVERIFY(line.isReadOnly());
        MessageLinePort port(line);
        port.setText("Kommando nicht erkannt! M\xF6gliche Eingaben");
        QCOMPARE(line.text(), QStringLiteral("Kommando nicht erkannt! Mögliche Eingaben"));
        QVERIFY(ShowsColour(line, Qt::black));
        QVERIFY(!ShowsColour(line, ToColour(colour::kErrorRed)));
        port.setTextColour(colour::kErrorRed);
        QVERIFY(ShowsColour(line, ToColour(colour::kErrorRed)));
        port.setBackground(colour::kGrey);
        QCOMPARE(PixelAt(line, {640, 10}), ToColour(colour::kGrey));
    }

    void stopButtonShowsAndHides() {
        StopButtonPort port(window().stopButton());
        port.setVisible(true);
        QVERIFY(window().stopButton().isVisible());
        port.setVisible(false);
        QVERIFY(!window().stopButton().isVisible());
    }

    void logoIsTheCompiledInPicture() {
        QFile file(QStringLiteral(":/logo.bmp"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(bytes.size(), 10854);
        QVERIFY(bytes.startsWith("BM"));
        // Bits per pixel.
        QCOMPARE(static_cast<int>(bytes[28]), 24);
        const QImage logo(QStringLiteral(":/logo.bmp"));
        QCOMPARE(logo.size(), QSize(180, 20));
        QCOMPARE(logo.pixelColor(0, 0), QColor(Qt::white));
        // The frame.
        QCOMPARE(logo.pixelColor(90, 1), QColor(0, 0, 255));
        QCOMPARE(window().logoButton().iconSize(), QSize(180, 20));
        QVERIFY(!window().logoButton().icon().isNull());
        QVERIFY(ShowsColour(window().logoButton(), QColor(0, 0, 255)));
    }

    void buttonsAndEditsReachTheLoop() {
        QTest::keyClicks(&window().output(), "ab");
        QCOMPARE(window().output().get(0), Text("ab"));
        QCOMPARE(drain(), QStringLiteral("OutputArea"));
        QTest::mouseClick(&window().helpButton(), Qt::LeftButton);
        QTest::mouseClick(&window().logoButton(), Qt::LeftButton);
        // The output area lost the focus to the first button.
        QCOMPARE(drain(), QStringLiteral("OutputArea HelpButton LogoButton"));
        window().output().giveFocus();
        QTRY_VERIFY(window().output().hasFocus());
        QCOMPARE(drain(), QStringLiteral("OutputArea"));
    }

    void closeRequestsAreEventsAndCloseNothing() {
        QVERIFY(!window().close());
        QVERIFY(window().isVisible());
        // The way the window system's close box, system menu and Alt+F4 come in.
        QCloseEvent request;
        QApplication::sendEvent(window().windowHandle(), &request);
        QVERIFY(window().isVisible());
        QCOMPARE(drain(), QStringLiteral("Close Close"));
    }

    void loopWaitReturnsAQueuedEventWithoutProcessingOthers() {
        pump().post(WindowEvent::HelpButton);
        bool ran = false;
        QTimer::singleShot(0, &window(), [&ran] { ran = true; });
        QCOMPARE(pump().waitEvent(kPatience, WaitPolicy::Loop), WindowEvent::HelpButton);
        QVERIFY(!ran);
        QCOMPARE(pump().waitEvent(0, WaitPolicy::Loop), WindowEvent::None);
        QVERIFY(ran);
    }

    void loopWaitEndsWithTheFirstEvent() {
        QTimer::singleShot(1, &window(),
                           [this] { QTest::keyClick(&window().output(), Qt::Key_A); });
        QCOMPARE(Name(pump().waitEvent(kPatience, WaitPolicy::Loop)), QStringLiteral("OutputArea"));
        QCOMPARE(window().output().get(0), Text("a"));
    }

    void idleLoopWaitSleepsInsteadOfSpinning() {
        int rounds = 0;
        QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
        const auto count = [&rounds] { ++rounds; };
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, count);
        connect(dispatcher, &QAbstractEventDispatcher::awake, this, count);
        QCOMPARE(pump().waitEvent(100, WaitPolicy::Loop), WindowEvent::None);
        disconnect(dispatcher, nullptr, this, nullptr);
        QVERIFY(rounds > 0);
        QVERIFY2(rounds < 20, qPrintable(QStringLiteral("%1 rounds").arg(rounds)));
    }

    void commandWaitDropsTypingForGood() {
        OutputEditor& output = window().output();
        const std::vector<WindowEvent> results = duringWaits(WaitPolicy::Command, [&output] {
            QTest::keyClicks(&output, "wr 0072");
            QTest::keyClick(&output, Qt::Key_Return);
        });
        for (WindowEvent e : results) {
            QCOMPARE(Name(e), QStringLiteral("None"));
        }
        QCOMPARE(output.count(), 0);
        // Nothing replayed.
        QCOMPARE(pump().waitEvent(20, WaitPolicy::Loop), WindowEvent::None);
        QCOMPARE(output.count(), 0);
        QTest::keyClicks(&output, "x");
        // Typing works again after the wait.
        QCOMPARE(output.get(0), Text("x"));
    }

    void commandWaitDropsClicksAlsoFromTheWindowSystem() {
        StopButtonPort(window().stopButton()).setVisible(true);
        const QPoint help = centreInWindow(window().helpButton());
        const QPoint stop = centreInWindow(window().stopButton());
        const auto [inWindow, inViewport] = prepareOutputClick();
        const int end = cursorPosition();
        drain();
        const std::vector<WindowEvent> results = duringWaits(WaitPolicy::Command, [&] {
            QTest::mouseClick(window().windowHandle(), Qt::LeftButton, {}, inWindow);
            QTest::mouseClick(window().output().viewport(), Qt::LeftButton, {}, inViewport);
            QTest::mouseClick(&window().helpButton(), Qt::LeftButton);
            QTest::mouseClick(window().windowHandle(), Qt::LeftButton, {}, help);
            QTest::mouseClick(window().windowHandle(), Qt::LeftButton, {}, stop);
            QTest::mouseClick(&window().stopButton(), Qt::LeftButton);
        });
        for (WindowEvent e : results) {
            QCOMPARE(Name(e), QStringLiteral("None"));
        }
        QCOMPARE(drain(), QString());
        QCOMPARE(cursorPosition(), end);
        // The same clicks count outside the wait.
        QTest::mouseClick(window().windowHandle(), Qt::LeftButton, {}, help);
        QCOMPARE(drain(), QStringLiteral("HelpButton"));
        QTest::mouseClick(window().windowHandle(), Qt::LeftButton, {}, inWindow);
        QCOMPARE(cursorPosition(), 0);
    }

    void commandWaitLosesACloseRequest() {
        const std::vector<WindowEvent> results = duringWaits(WaitPolicy::Command, [this] {
            QCloseEvent request;
            QApplication::sendEvent(window().windowHandle(), &request);
        });
        for (WindowEvent e : results) {
            QCOMPARE(Name(e), QStringLiteral("None"));
        }
        QVERIFY(window().isVisible());
        QCOMPARE(drain(), QString());
    }

    void commandWaitDiscardsEventsQueuedBeforeIt() {
        window().output().append("output of the command");
        pump().post(WindowEvent::HelpButton);
        QCOMPARE(pump().waitEvent(0, WaitPolicy::Command), WindowEvent::None);
        QCOMPARE(drain(), QString());
    }

    void commandWaitKeepsPainting() {
        auto* probe = new PaintProbe(&window());
        probe->setGeometry(400, 8, 20, 20);
        probe->show();
        QTRY_VERIFY(probe->paints > 0);
        const int before = probe->paints;
        probe->update();
        const QDeadlineTimer deadline(kPatience);
        while (probe->paints == before && !deadline.hasExpired()) {
            QCOMPARE(pump().waitEvent(5, WaitPolicy::Command), WindowEvent::None);
        }
        QVERIFY(probe->paints > before);
    }

    void listenWaitLetsTheStopClickThrough() {
        StopButtonPort(window().stopButton()).setVisible(true);
        QTimer::singleShot(1, &window(),
                           [this] { QTest::mouseClick(&window().stopButton(), Qt::LeftButton); });
        QCOMPARE(pump().waitEvent(kPatience, WaitPolicy::Listen), WindowEvent::StopButton);

        const QPoint stop = centreInWindow(window().stopButton());
        QTimer::singleShot(1, &window(), [this, stop] {
            QTest::mouseClick(window().windowHandle(), Qt::LeftButton, {}, stop);
        });
        // A click through the window system.
        QCOMPARE(pump().waitEvent(kPatience, WaitPolicy::Listen), WindowEvent::StopButton);
        QCOMPARE(drain(), QString());
    }

    void listenWaitDropsEverythingElse() {
        StopButtonPort(window().stopButton()).setVisible(true);
        OutputEditor& output = window().output();
        const QPoint help = centreInWindow(window().helpButton());
        const auto [inWindow, inViewport] = prepareOutputClick();
        const int end = cursorPosition();
        const std::vector<WindowEvent> results = duringWaits(WaitPolicy::Listen, [&] {
            QTest::mouseClick(window().windowHandle(), Qt::LeftButton, {}, inWindow);
            QTest::mouseClick(output.viewport(), Qt::LeftButton, {}, inViewport);
            QTest::keyClicks(&output, "abc");
            QTest::keyClick(&output, Qt::Key_Return);
            QTest::mouseClick(&window().helpButton(), Qt::LeftButton);
            QTest::mouseClick(window().windowHandle(), Qt::LeftButton, {}, help);
            QCloseEvent request;
            QApplication::sendEvent(window().windowHandle(), &request);
        });
        for (WindowEvent e : results) {
            QCOMPARE(Name(e), QStringLiteral("None"));
        }
        QCOMPARE(output.count(), 3);
        QCOMPARE(output.get(2), Text("#"));
        QCOMPARE(cursorPosition(), end);
        QVERIFY(window().isVisible());
        QCOMPARE(drain(), QString());
    }

    void helpWindowShowsTheLinesReadOnly() {
        HelpWindowPort& help = terminal_->help();
        QVERIFY(help.open(HelpLines()));
        HelpView* view = help.view();
        QVERIFY(view != nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(view));
        QCOMPARE(view->windowTitle(), QStringLiteral("Hilfe für Terminal Befehle"));
        QCOMPARE(view->size(), QSize(1100, 860));
        QCOMPARE(view->frameGeometry().topLeft(), QPoint(100, 50));
        // No sizing border.
        QCOMPARE(view->minimumSize(), view->maximumSize());
        const Qt::WindowFlags flags = view->windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowTitleHint));
        QVERIFY(flags.testFlag(Qt::WindowSystemMenuHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));

        QPlainTextEdit& text = view->text();
        QCOMPARE(text.geometry(), QRect(10, 10, 1080, 840));
        QVERIFY(text.isReadOnly());
        QCOMPARE(text.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(text.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(text.lineWrapMode(), QPlainTextEdit::NoWrap);
        QCOMPARE(text.font().family(), QStringLiteral("Courier New"));
        QCOMPARE(text.font().pointSize(), 12);

        const std::vector<Text>& lines = HelpLines();
        QCOMPARE(lines.size(), std::size_t{52});
        QTextDocument& document = *text.document();
        QCOMPARE(document.blockCount(), 53);
        for (int i = 0; i < 52; ++i) {
            QCOMPARE(document.findBlockByNumber(i).text(),
                     ToQString(lines[static_cast<std::size_t>(i)]));
        }
        // An empty last line.
        QCOMPARE(document.findBlockByNumber(52).text(), QString());
        QVERIFY(
            document.findBlockByNumber(14).text().contains(QStringLiteral("       \t\t      ")));

        QTest::keyClicks(&text, "abc");
        QTest::keyClick(&text, Qt::Key_Delete);
        QTest::keyClick(&text, Qt::Key_Return);
        QCOMPARE(document.blockCount(), 53);
        QCOMPARE(document.findBlockByNumber(0).text(), ToQString(lines[0]));
    }

    void helpTextScrollsAndSelects() {
        HelpWindowPort& help = terminal_->help();
        QVERIFY(help.open(HelpLines()));
        QPlainTextEdit& text = help.view()->text();
        QVERIFY(QTest::qWaitForWindowExposed(help.view()));
        QScrollBar& bar = *text.verticalScrollBar();
        QVERIFY(bar.maximum() > 0);
        QCOMPARE(bar.value(), 0);
        text.setFocus();
        QTest::keyClick(&text, Qt::Key_End, Qt::ControlModifier);
        QVERIFY(bar.value() > 0);
        QVERIFY(text.viewport()->rect().contains(text.cursorRect()));
        QCOMPARE(text.textCursor().blockNumber(), 52);
        QTest::keyClick(&text, Qt::Key_A, Qt::ControlModifier);
        QVERIFY(text.textCursor().selectedText().startsWith(QStringLiteral("1. SET ")));
    }

    void helpWindowCloseRequestsReachTheLoopAndCloseDestroysIt() {
        HelpWindowPort& help = terminal_->help();
        QVERIFY(help.open(HelpLines()));
        HelpView* view = help.view();
        QVERIFY(QTest::qWaitForWindowActive(view));
        // The output area lost the focus to the help window.
        drain();
        QVERIFY(!view->close());
        QVERIFY(view->isVisible());
        QCOMPARE(drain(), QStringLiteral("Close"));
        QVERIFY2(!window().close(), "the main window's close request, while help is open");
        QCOMPARE(drain(), QStringLiteral("Close"));
        QPointer<HelpView> watch(view);
        help.close();
        QVERIFY(watch.isNull());
        QVERIFY(help.view() == nullptr);
        QVERIFY(window().isVisible());
        QTRY_COMPARE(QApplication::activeWindow(), &window());
        QVERIFY2(help.open(HelpLines()), "a new press builds it anew");
        QVERIFY(help.view() != nullptr);
        help.close();
    }

    void fileFilterInQtForm() {
        QCOMPARE(QtFileFilter("DLL (*.dll)|*.dll;*.DLL"),
                 QStringLiteral("DLL (*.dll) (*.dll *.DLL)"));
        QCOMPARE(QtFileFilter("A|*.a|B|*.b;*.c"), QStringLiteral("A (*.a);;B (*.b *.c)"));
    }

    void fileDialogReturnsTheChosenFile() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("ftd2xx.dll"));
        QFile dll(path);
        QVERIFY(dll.open(QIODevice::WriteOnly));
        dll.close();
        QString title;
        QStringList filters;
        QTimer chooser;
        // The path goes into the dialog's name field and the user presses Enter, again on every
        // tick until the dialog has taken it: it reads the directory in the background. Typing
        // it would open the completer, which takes the Enter.
        connect(&chooser, &QTimer::timeout, this, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            auto* name = dialog == nullptr
                             ? nullptr
                             : dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (name != nullptr && name->isVisible()) {
                title = dialog->windowTitle();
                filters = dialog->nameFilters();
                name->setText(path);
                QTest::keyClick(name, Qt::Key_Return);
            }
        });
        chooser.start(10);
        FileDialogPort port(window());
        QCOMPARE(port.openFile("Treiber ausw\xE4hlen", "DLL (*.dll)|*.dll;*.DLL"),
                 FromQString(path));
        QCOMPARE(title, QStringLiteral("Treiber auswählen"));
        QCOMPARE(filters, QStringList{QStringLiteral("DLL (*.dll) (*.dll *.DLL)")});
    }

    void openerHandsTheFileToTheDesktopAsOneUrl() {
        UrlRecorder recorder;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "openUrl");
        DesktopOpener opener;
        opener.open("/tmp/Meine Dateien; rm -rf x/selmur.html");
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(recorder.urls.size(), std::size_t{1});
        QVERIFY(recorder.urls[0].isLocalFile());
        QCOMPARE(recorder.urls[0].toLocalFile(),
                 QStringLiteral("/tmp/Meine Dateien; rm -rf x/selmur.html"));
    }
};

}  // namespace i2ct::ui

QTEST_MAIN(i2ct::ui::WindowTest)
#include "tst_window.moc"
