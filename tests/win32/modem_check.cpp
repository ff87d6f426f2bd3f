// The Windows ports against i2c-modem-sim under Wine: the driver stand-in reports the modem on
// the COM port that Wine maps to the simulator's pty, and the terminal starts up through the
// Windows clock, driver library and serial port, then reads the EEPROM it wrote. Run by
// scripts/test-windows with the port number as its argument; exit status 0 when all came.
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/terminal.h"
#include "platform/win32/library_loader.h"
#include "platform/win32/serial_port.h"
#include "platform/win32/win32_clock.h"
#include "rig.h"

namespace {

// A command's wait without a window: the time passes.
struct Sleeping : i2ct::WindowEvents {
    explicit Sleeping(i2ct::Clock& c) : clock(c) {}
    i2ct::WindowEvent waitEvent(std::uint32_t ms, i2ct::WaitPolicy, i2ct::LineWatch) override {
        if (typed) {
            typed = false;
            return i2ct::WindowEvent::OutputArea;
        }
        clock.sleep(ms);
        return i2ct::WindowEvent::None;
    }
    i2ct::Clock& clock;
    bool typed = false;
};

}  // namespace

int main(int argc, char** argv) {
    using namespace i2ct;
    const std::string devices = std::string("I2C <> USB Modem  Selmur & Vusk=") + argv[argc - 1];
    SetEnvironmentVariableA("I2CT_STANDIN_DEVICES", devices.c_str());
    test::Rig rig;
    win32::Win32Clock clock;
    win32::Win32LibraryLoader libraries;
    win32::Win32SerialPorts serialPorts;
    Sleeping events(clock);
    Terminal terminal(Ports{clock, events, rig.output, rig.status, rig.message, rig.stop, rig.help,
                            rig.dialog, rig.opener, libraries, serialPorts});
    terminal.startUp();
    for (const char* line : {"WR 0072 00 49 32 43", "WR 0072 00", "RD 0073 03"}) {
        rig.output.moveToEndOfLine(rig.output.count() - 1);
        rig.output.type(std::string(line) + "\n");
        events.typed = true;
        terminal.runPass();
    }
    terminal.shutDown();
    Text shown;
    for (const Text& line : rig.lines()) shown += line + "|";
    std::printf("%s\n", shown.c_str());
    return shown !=
           "USB <> I2C Modem  Selmur und Vusk     Version: 2.20|!I2C-Speed (Hz): 100000|"
           "#WR 0072 00 49 32 43|!WR > OK |#WR 0072 00|!WR > OK |#RD 0073 03|"
           "!RD > 49 32 43 |#|";
}
