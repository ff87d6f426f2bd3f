#include "win32ui/terminal_window.h"

namespace i2ct::win32ui {

TerminalWindow::TerminalWindow()
    : events_(window_.stopButton()),
      output_(window_.output()),
      status_(window_),
      message_(window_),
      stop_(window_.stopButton(), window_.output()),
      help_(window_.window(), window_.fonts().console, events_),
      fileDialog_(window_.window()) {
    window_.onEvent([this](WindowEvent event) { events_.post(event); });
    window_.onOutputChange([this] { output_.changed(); });
}

Ports TerminalWindow::ports(Clock& clock, LibraryLoader& libraries, SerialPorts& serialPorts) {
    return Ports{
        .clock = clock,
        .events = events_,
        .output = output_,
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

}  // namespace i2ct::win32ui
