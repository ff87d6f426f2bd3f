#include "ui/terminal_window.h"

namespace i2ct::ui {

TerminalWindow::TerminalWindow()
    : events_(window_),
      status_(window_.statusField()),
      message_(window_.messageLine()),
      stop_(window_.stopButton()),
      help_(window_, events_),
      fileDialog_(window_) {
    window_.show();
}

Ports TerminalWindow::ports(Clock& clock, LibraryLoader& libraries, SerialPorts& serialPorts) {
    return Ports{
        .clock = clock,
        .events = events_,
        .output = window_.output(),
        .status = status_,
        .message = message_,
        .stopButton = stop_,
        .help = help_,
        .fileDialog = fileDialog_,
        .opener = opener_,
        .libraries = libraries,
        .serialPorts = serialPorts,
    };
}

}  // namespace i2ct::ui
