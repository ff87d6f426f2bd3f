#pragma once
// The window-events port on Qt: the windows' signals queue events, and a wait runs Qt's event
// processing until one arrives or the watched bytes wait on the serial line. While a command
// waits, an application-wide filter drops the user's input so that painting goes on but nothing
// else happens.

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <memory>

#include "platform/event_queue.h"
#include "platform/window.h"

namespace i2ct::ui {

class MainWindow;

class EventPump : public QObject, public WindowEvents {
    Q_OBJECT

  public:
    // Listens to the window's controls and close requests; filters all of the application's
    // events while it exists.
    explicit EventPump(MainWindow& window);

    WindowEvent waitEvent(std::uint32_t timeoutMs, WaitPolicy policy, LineWatch line) override;

    // Queues an event for the next wait, as the window's signals do.
    void post(WindowEvent event) { queue_.post(event); }
    // Whether events wait for the next wait; lets a caller run the loop until it has seen all.
    bool pending() const { return !queue_.empty(); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool isStopClick(const QObject* watched, const QEvent& event) const;
    // Makes the event loop wake when bytes arrive on the watched line, on which `waiting` bytes
    // wait now.
    void listenTo(const LineWatch& line, std::size_t waiting);
    // The line stirred without enough bytes: asks it again a little later.
    void recheckLater(std::size_t waiting);

    MainWindow& window_;
    EventQueue queue_;
    QTimer deadline_;
    bool expired_ = false;
    // The serial line as one more source of the wait: its descriptor wakes the loop, and while
    // too few bytes wait a timer asks again in growing steps.
    std::unique_ptr<QSocketNotifier> arrival_;
    const SerialPort* arrivalPort_ = nullptr;
    QTimer recheck_;
    int recheckMs_ = 1;
    std::size_t lastWaiting_ = 0;
    bool lineStirred_ = false;
    // Loop outside the waits of commands: everything passes.
    WaitPolicy filtering_ = WaitPolicy::Loop;
};

}  // namespace i2ct::ui
