// The terminal program: the Qt window, the Linux clock, serial line and driver, and the
// terminal's spine run on them until the user closes the window.

#include <QApplication>

#include "app/terminal.h"
#include "platform/linux/library_loader.h"
#include "platform/linux/linux_clock.h"
#include "platform/linux/serial_port.h"
#include "ui/terminal_window.h"

int main(int, char** argv) {
    // The program takes no options, Qt's own included: only the program name is passed on.
    int argc = 1;
    QApplication application(argc, argv);

    i2ct::linux_platform::LinuxClock clock;
    i2ct::linux_platform::LinuxLibraryLoader libraries;
    i2ct::linux_platform::LinuxSerialPorts serialPorts;
    i2ct::ui::TerminalWindow window;
    i2ct::Terminal terminal(window.ports(clock, libraries, serialPorts));
    return terminal.run();
}
