#pragma once
// The help window: a second top-level window with the command summary, built anew each time
// the help button is pressed and destroyed when the program closes it.

#include <QPlainTextEdit>
#include <QWidget>
#include <memory>
#include <vector>

#include "platform/window.h"

namespace i2ct::ui {

class EventPump;

// The window itself. Like the main window, its close requests only announce closeRequested.
class HelpView : public QWidget {
    Q_OBJECT

  public:
    explicit HelpView(const std::vector<Text>& lines);

    QPlainTextEdit& text() { return *text_; }

  signals:
    void closeRequested();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    QPlainTextEdit* text_;  // a child, owned by the window
};

// The help-window port: its close requests reach the loop through the pump.
class HelpWindowPort : public HelpWindow {
  public:
    HelpWindowPort(QWidget& mainWindow, EventPump& pump);

    bool open(const std::vector<Text>& lines) override;
    void close() override;

    // The open window, or nullptr.
    HelpView* view() { return view_.get(); }

  private:
    QWidget& mainWindow_;
    EventPump& pump_;
    std::unique_ptr<HelpView> view_;
};

}  // namespace i2ct::ui
