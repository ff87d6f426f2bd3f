#pragma once
// The doubles of all ports on virtual time, with simulated modems on a bench that the driver
// lists and the serial ports open.

#include "core/program.h"
#include "platform/memory_output_area.h"
#include "recorders.h"
#include "sim/virtual_link.h"
#include "virtual_time.h"

namespace i2ct::test {

struct Rig {
    Ports ports() { return ports(bench, bench); }
    // With the driver library loaded and the serial ports opened elsewhere.
    Ports ports(LibraryLoader& l, SerialPorts& s) {
        return Ports{time, time, output, status, message, stop, help, dialog, opener, l, s};
    }
    std::vector<Text> lines() const {
        std::vector<Text> all;
        for (LineIndex i = 0; i < output.count(); ++i) all.push_back(output.get(i));
        return all;
    }

    VirtualTime time;
    MemoryOutputArea output;
    RecordingStatusField status;
    RecordingMessageLine message;
    FakeStopButton stop;
    FakeHelpWindow help;
    FakeFileDialog dialog;
    FakeOpener opener;
    sim::VirtualBench bench{time};
};

}  // namespace i2ct::test
