#include "ui/event_pump.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <limits>

#include "ui/main_window.h"

namespace i2ct::ui {
namespace {

// A QTimer counts in int milliseconds.
constexpr std::uint32_t kLongestWait = std::numeric_limits<int>::max();
// The longest step between two looks at a line that stays short of the bytes a wait wants.
constexpr int kLongestRecheckMs = 64;

bool IsUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::InputMethod:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::TabletMove:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TouchCancel:
        case QEvent::NativeGesture:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            return true;
        default:
            return false;
    }
}

}  // namespace

EventPump::EventPump(MainWindow& window) : window_(window) {
    deadline_.setSingleShot(true);
    deadline_.setTimerType(Qt::PreciseTimer);
    connect(&deadline_, &QTimer::timeout, this, [this] { expired_ = true; });
    recheck_.setSingleShot(true);
    recheck_.setTimerType(Qt::PreciseTimer);
    connect(&recheck_, &QTimer::timeout, this, [this] { lineStirred_ = true; });

    const auto queue = [this](WindowEvent event) { return [this, event] { post(event); }; };
    OutputEditor& output = window.output();
    connect(&output, &QPlainTextEdit::textChanged, this, queue(WindowEvent::OutputArea));
    connect(&output, &OutputEditor::focusChanged, this, queue(WindowEvent::OutputArea));
    connect(&window.helpButton(), &QPushButton::clicked, this, queue(WindowEvent::HelpButton));
    connect(&window.logoButton(), &QPushButton::clicked, this, queue(WindowEvent::LogoButton));
    connect(&window.stopButton(), &QPushButton::clicked, this, queue(WindowEvent::StopButton));
    connect(&window, &MainWindow::closeRequested, this, queue(WindowEvent::Close));
    QCoreApplication::instance()->installEventFilter(this);
}

WindowEvent EventPump::waitEvent(std::uint32_t timeoutMs, WaitPolicy policy, LineWatch line) {
    const auto arrived = [this, policy] { return queue_.ends(policy); };
    const std::size_t waiting = line.port != nullptr ? line.port->waiting() : 0;
    if (!arrived() && (line.port == nullptr || waiting < line.bytes)) {
        filtering_ = policy;
        expired_ = false;
        deadline_.start(
            std::chrono::milliseconds(std::min<std::uint32_t>(timeoutMs, kLongestWait)));
        listenTo(line, waiting);
        // Sleeps in the window system until something happens; the timer ends the wait.
        while (!expired_ && !arrived()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            if (lineStirred_) {
                lineStirred_ = false;
                const std::size_t now = line.port->waiting();
                if (now >= line.bytes) {
                    break;
                }
                recheckLater(now);
            }
        }
        deadline_.stop();
        recheck_.stop();
        if (arrival_) {
            arrival_->setEnabled(false);
        }
        filtering_ = WaitPolicy::Loop;
    }
    return queue_.take(policy);
}

void EventPump::listenTo(const LineWatch& line, std::size_t waiting) {
    lineStirred_ = false;
    const int descriptor = line.port != nullptr ? line.port->arrivalDescriptor() : -1;
    if (descriptor < 0) {
        return;  // nothing to listen to: the wait runs its time
    }
    // A port opened after a reconnection may have the number of the one closed before.
    if (!arrival_ || arrivalPort_ != line.port || arrival_->socket() != descriptor) {
        arrival_ = std::make_unique<QSocketNotifier>(descriptor, QSocketNotifier::Read);
        arrivalPort_ = line.port;
        connect(arrival_.get(), &QSocketNotifier::activated, this, [this] {
            // Readable stays readable until the bytes are read, so the notifier rests while the
            // wait asks the line itself.
            arrival_->setEnabled(false);
            lineStirred_ = true;
        });
        recheckMs_ = 1;
    } else if (waiting != lastWaiting_) {
        recheckMs_ = 1;
    }
    // Otherwise the steps of asking go on from the wait before: the same few bytes still wait.
    lastWaiting_ = waiting;
    arrival_->setEnabled(true);
}

void EventPump::recheckLater(std::size_t waiting) {
    // A Frame's bytes follow each other closely, so the first steps are short. A line that stays
    // short of bytes, with a stray byte or a port that has hung up, is asked less and less often.
    recheckMs_ = waiting != lastWaiting_ ? 1 : std::min(recheckMs_ * 2, kLongestRecheckMs);
    lastWaiting_ = waiting;
    recheck_.start(recheckMs_);
}

bool EventPump::isStopClick(const QObject* watched, const QEvent& event) const {
    const QPushButton& stop = window_.stopButton();
    if (!stop.isVisible()) {
        return false;
    }
    if (watched == &stop) {
        return true;
    }
    // The window system hands a click to the window first, which passes it on to the control
    // under the pointer. A release goes on to the control that took the press, so it passes
    // here and is judged again at the control.
    const QWindow* handle = stop.window()->windowHandle();
    if (handle == nullptr || watched != handle) {
        return false;
    }
    if (event.type() == QEvent::MouseButtonRelease) {
        return true;
    }
    const auto& mouse = static_cast<const QMouseEvent&>(event);
    return stop.rect().contains(stop.mapFromGlobal(mouse.globalPosition().toPoint()));
}

bool EventPump::eventFilter(QObject* watched, QEvent* event) {
    if (filtering_ == WaitPolicy::Loop || !IsUserInput(event->type())) {
        return false;
    }
    const QEvent::Type type = event->type();
    const bool click = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
                       type == QEvent::MouseButtonDblClick;
    const bool passes = filtering_ == WaitPolicy::Listen && click && isStopClick(watched, *event);
    return !passes;
}

}  // namespace i2ct::ui
