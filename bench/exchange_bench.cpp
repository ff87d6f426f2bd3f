// The time of an exchange with i2c-modem-sim over a real pseudo-terminal, through the program's
// own SendFrame and ReceiveFrame and the real window's wait (offscreen), against the wire time of
// its bytes: GET VERSION, the line write that SET SDA 1 sends, and the whole SET SDA 1 command.
// Median, fastest and slowest of 50 rounds each. Goal: GET VERSION within its wire time plus 2 ms.
#include <QApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "app/terminal.h"
#include "linecommands/line_commands.h"
#include "modem/frame.h"
#include "platform/linux/library_loader.h"
#include "platform/linux/linux_clock.h"
#include "platform/linux/serial_port.h"
#include "sim/protocol.h"
#include "sim_process.h"
#include "ui/terminal_window.h"

namespace {

namespace request = i2ct::sim::request;
namespace answer = i2ct::sim::answer;
using Steady = std::chrono::steady_clock;

constexpr int kRounds = 50;

// Ten bit times per byte with 8N1 at 115200 baud.
double WireMs(int bytes) {
    return bytes * 10.0 / 115200.0 * 1000.0;
}

double Ms(Steady::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Prints the median, fastest and slowest of the rounds; false when a round went wrong. A round
// returns its time, or a negative one when its answer was missing or wrong.
bool Row(const char* name, int wireBytes, const std::function<double()>& round) {
    std::vector<double> times;
    int failures = 0;
    for (int i = 0; i < kRounds; ++i) {
        const double ms = round();
        if (ms < 0) {
            ++failures;
        } else {
            times.push_back(ms);
        }
    }
    std::sort(times.begin(), times.end());
    if (times.empty()) {
        std::printf("  %-42s %7.3f   all failed\n", name, WireMs(wireBytes));
        return false;
    }
    const double median = times.size() % 2 == 1
                              ? times[times.size() / 2]
                              : (times[times.size() / 2 - 1] + times[times.size() / 2]) / 2;
    std::printf("  %-42s %7.3f %8.3f %8.3f %8.3f", name, WireMs(wireBytes), median, times.front(),
                times.back());
    std::printf(failures == 0 ? "\n" : "   %d failed\n", failures);
    return failures == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PATH-OF-i2c-modem-sim\n", argv[0]);
        return 2;
    }
    // Where the simulator announces itself, and so where the program's discovery looks.
    const QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication application(qtArgc, argv);

    // No answer delay in the simulator: what is left is the pty and the program.
    i2ct::test::SimProcess sim(argv[1], runtime.path().toStdString(), {"--latency", "0"});
    i2ct::linux_platform::LinuxClock clock;
    i2ct::linux_platform::LinuxLibraryLoader libraries;
    i2ct::linux_platform::LinuxSerialPorts serialPorts;
    i2ct::ui::TerminalWindow window;
    i2ct::Terminal terminal(window.ports(clock, libraries, serialPorts));
    // Finds the modem and opens its port as the program does, and asks for its version.
    terminal.startUp();
    i2ct::Program& p = terminal.program();
    if (!p.PortOpen) {
        std::fprintf(stderr, "the program did not find %s\n", sim.port().c_str());
        return 1;
    }

    const auto exchange = [&p](std::uint8_t kind, std::initializer_list<std::uint8_t> data,
                               std::uint8_t answerKind) {
        const auto start = Steady::now();
        i2ct::PutRequest(p, kind, data);
        i2ct::SendFrame(p);
        const bool ok = i2ct::ReceiveFrame(p) && p.frame[0] == answerKind;
        return ok ? Ms(Steady::now() - start) : -1.0;
    };
    // The line-state byte that SET SDA 1 writes back: the lines as they are, SDA high.
    exchange(request::kLineRead, {}, answer::kBus);
    const auto lines = static_cast<std::uint8_t>(p.frame[2] | 0x01);

    std::printf(
        "Exchanges with i2c-modem-sim --latency 0 over a pty, through the window's wait,\n"
        "%d rounds each (goal: GET VERSION within its wire time plus 2 ms)\n",
        kRounds);
    std::printf("  %-42s %7s %8s %8s %8s ms\n", "", "wire", "median", "min", "max");
    bool ok = true;
    // How fast the pty and the simulator are: the reply's first bytes wait, read at once.
    ok &= Row("GET VERSION: request out to reply waiting", 9, [&] {
        const auto start = Steady::now();
        i2ct::PutRequest(p, request::kVersion);
        i2ct::SendFrame(p);
        while (i2ct::WaitingBytes(p) < 2 && Steady::now() - start < std::chrono::seconds(2)) {
        }
        const double ms = Ms(Steady::now() - start);
        return i2ct::ReceiveFrame(p) && p.frame[0] == answer::kModem ? ms : -1.0;
    });
    // 11 00 04 out, 1A 03 d0 d1 d2 04 back.
    ok &= Row("GET VERSION as the program does it", 9,
              [&] { return exchange(request::kVersion, {}, answer::kModem); });
    // 31 01 lines 04 out, 3A 00 04 back.
    ok &= Row("line write of SET SDA 1", 7,
              [&] { return exchange(request::kLineWrite, {lines}, answer::kBus); });
    // The command reads the lines (32 00 04, 3A 01 lines 04), then writes them: 14 bytes.
    ok &= Row("SET SDA 1, the whole command", 14, [&] {
        const auto start = Steady::now();
        p.commandTail = "SDA 1";
        i2ct::SetSda(p);
        return p.frame[0] == answer::kBus ? Ms(Steady::now() - start) : -1.0;
    });
    terminal.shutDown();
    return ok ? 0 : 1;
}
