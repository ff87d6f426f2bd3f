// The terminal program on Windows: the Win32 window, the Windows clock, COM port and driver
// library, and the terminal's spine run on them until the user closes the window.

#include <windows.h>

#include "app/terminal.h"
#include "platform/win32/library_loader.h"
#include "platform/win32/serial_port.h"
#include "platform/win32/win32_clock.h"
#include "win32ui/terminal_window.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    i2ct::win32::Win32Clock clock;
    i2ct::win32::Win32LibraryLoader libraries;
    i2ct::win32::Win32SerialPorts serialPorts;
    i2ct::win32ui::TerminalWindow window;
    if (!window.valid()) {
        // Without a window there is nobody to talk to.
        return 1;
    }
    i2ct::Terminal terminal(window.ports(clock, libraries, serialPorts));
    return terminal.run();
}
