#pragma once
// The terminal's window side in one piece: the main window, shown on creation, with the event
// pump and every port that the core reaches the window and the desktop through.

#include "core/program.h"
#include "ui/event_pump.h"
#include "ui/help_window.h"
#include "ui/main_window.h"
#include "ui/widget_ports.h"

namespace i2ct::ui {

class TerminalWindow {
  public:
    TerminalWindow();
    TerminalWindow(const TerminalWindow&) = delete;
    TerminalWindow& operator=(const TerminalWindow&) = delete;

    // The window's ports together with those of the clock and the modem.
    Ports ports(Clock& clock, LibraryLoader& libraries, SerialPorts& serialPorts);

    MainWindow& window() { return window_; }
    EventPump& events() { return events_; }
    HelpWindowPort& help() { return help_; }

  private:
    MainWindow window_;
    EventPump events_;
    StatusFieldPort status_;
    MessageLinePort message_;
    StopButtonPort stop_;
    HelpWindowPort help_;
    FileDialogPort fileDialog_;
    DesktopOpener opener_;
};

}  // namespace i2ct::ui
