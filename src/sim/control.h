#pragma once
// The control channel of the simulated modem: one command per text line, answered with one line
// that starts with "ok" or "error". Tests and the demo use it to play the world around the
// modem: unplugging, a dead or slow modem, line noise, other masters on the bus, inputs of the
// port expander, failing devices.
//
// Commands (ADDR is four hexadecimal digits as the terminal writes addresses, for example 0072,
// or two digits for the slave address byte alone; HEX is a byte of one or two hex digits):
//   unplug | plug | quit | demo on|off     carried out by the program that hosts the modem
//   silent on|off                           drop every request, send nothing
//   latency MS                              answer MS milliseconds after a request
//   garbage HEX...                          send these bytes now
//   fault KIND [MS] [after N]               the next Frame (or the one after N others) goes
//                                           wrong: silent, late MS, garbage, short, long, more;
//                                           fault off disarms it
//   traffic ADDR [HEX...]                   another master's transfer, seen by listening
//   partial ADDR [HEX...]                   the same, but the transfer broke off
//   expander HEX                            the port expander's input pins
//   int                                     a moment's INT from a source in no table
//   nak ADDR on|off | stretch ADDR on|off   the device at ADDR stops answering, or stretches
//   temperature DEG                         the sensor's temperature in °C, for example 23.5
//   version D0 D1 D2 | prompt C             what the modem reports (decimal digits, a character)
//   received                                the bytes received from the host since last asked
//   status                                  the modem's settings in one line
//   help                                    the list of commands

#include <string>
#include <string_view>

#include "platform/clock.h"
#include "sim/firmware.h"

namespace i2ct::sim {

// What the hosting program must do itself.
enum class HostAction { None, Unplug, Plug, DemoOn, DemoOff, Quit };

struct ControlOutcome {
    HostAction action = HostAction::None;
    // The answer line for a command that the firmware carried out; empty for a host action,
    // which the host answers once it is done.
    std::string reply;
};

ControlOutcome ExecuteControl(std::string_view line, Firmware& firmware, Tick now);

// The command summary that "help" and the program's --help show.
std::string_view ControlHelp();

}  // namespace i2ct::sim
