#pragma once
// The whole Windows window with the ports that the terminal's spine runs on.

#include "core/program.h"
#include "win32ui/control_ports.h"
#include "win32ui/help_window.h"
#include "win32ui/main_window.h"
#include "win32ui/message_pump.h"
#include "win32ui/rich_edit_area.h"

namespace i2ct::win32ui {

class TerminalWindow {
  public:
    // Builds and shows the main window; valid() is false when it cannot be created.
    TerminalWindow();

    bool valid() const { return window_.valid(); }
    // The window's ports with the given clock, driver libraries and serial ports.
    Ports ports(Clock& clock, LibraryLoader& libraries, SerialPorts& serialPorts);

    MainWindow& window() { return window_; }
    MessagePump& events() { return events_; }
    RichEditArea& output() { return output_; }
    HelpWindowPort& help() { return help_; }

  private:
    MainWindow window_;
    MessagePump events_;
    RichEditArea output_;
    StatusFieldPort status_;
    MessageLinePort message_;
    StopButtonPort stop_;
    HelpWindowPort help_;
    FileDialogPort fileDialog_;
    ShellOpener opener_;
};

}  // namespace i2ct::win32ui
