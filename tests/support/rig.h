#pragma once
// Everything a scenario test needs to run the terminal's core on virtual time: the doubles of
// all ports, a driver library with a device list, and a scripted modem.

#include <string>
#include <vector>

#include "core/program.h"
#include "memory_output_area.h"
#include "recorders.h"
#include "scripted_modem.h"
#include "virtual_time.h"

namespace i2ct::test {

// The description the real modem reports.
inline const Text kModem = "I2C <> USB Modem  Selmur & Vusk";

struct Rig {
    Rig();
    Ports ports();

    VirtualTime time;
    MemoryOutputArea output;
    RecordingStatusField status;
    RecordingMessageLine message;
    FakeStopButton stop;
    FakeHelpWindow help;
    FakeFileDialog dialog;
    FakeOpener opener;
    FakeLibraryLoader libraries;
    FakeSerialPorts serial;
    std::vector<FakeDriver::Device> devices;
    ScriptedModem modem{time};

    // Lists the scripted modem as a USB device on /dev/ttyUSB0.
    void plugModem(const Text& description = kModem);
    // The lines of the output area.
    std::vector<Text> lines() const;
};

// A responder that answers like a modem with firmware 2.20 and prompt '#', the bus clock at
// divider 18 (100000 Hz), and success for everything else.
Bytes StandardAnswer(const Bytes& frame);

}  // namespace i2ct::test
