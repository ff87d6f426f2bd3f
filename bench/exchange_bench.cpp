// The time of one GET VERSION exchange with i2c-modem-sim over a real pseudo-terminal, through
// the program's own SendFrame and ReceiveFrame, against the wire time of its bytes.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/program.h"
#include "modem/frame.h"
#include "platform/linux/linux_clock.h"
#include "platform/linux/serial_port.h"
#include "rig.h"
#include "sim_process.h"

namespace {

// The command policy's wait without a window: nothing arrives, the slice passes.
class IdleEvents : public i2ct::WindowEvents {
  public:
    explicit IdleEvents(i2ct::Clock& clock) : clock_(clock) {}
    i2ct::WindowEvent waitEvent(std::uint32_t timeoutMs, i2ct::WaitPolicy,
                                i2ct::LineWatch) override {
        clock_.sleep(timeoutMs);
        return i2ct::WindowEvent::None;
    }

  private:
    i2ct::Clock& clock_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PATH-OF-i2c-modem-sim\n", argv[0]);
        return 2;
    }
    const std::filesystem::path runtime =
        std::filesystem::temp_directory_path() / ("i2ct-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(runtime);
    int status = 0;
    {
        // No answer delay in the simulator: what is left is the pty and the program.
        i2ct::test::SimProcess sim(argv[1], runtime.string(), {"--latency", "0"});
        i2ct::test::Rig rig;
        i2ct::linux_platform::LinuxClock clock;
        IdleEvents events(clock);
        i2ct::Ports ports = rig.ports();
        i2ct::Program p(i2ct::Ports{clock, events, ports.output, ports.status, ports.message,
                                    ports.stopButton, ports.help, ports.fileDialog, ports.opener,
                                    ports.libraries, ports.serialPorts});
        p.port = i2ct::linux_platform::LinuxSerialPort::open(
            sim.port() + ": baud=115200  parity=N  data=8  stop=1");
        p.ModemFound = p.PortOpen = p.port != nullptr;
        if (!p.port) {
            std::fprintf(stderr, "cannot open %s\n", sim.port().c_str());
            status = 1;
        } else {
            constexpr int kRounds = 50;
            using Steady = std::chrono::steady_clock;
            Steady::duration program{};
            Steady::duration firstByte{};
            int failures = 0;
            for (int i = 0; i < kRounds; ++i) {
                const auto start = Steady::now();
                i2ct::PutRequest(p, 0x11);
                i2ct::SendFrame(p);
                const auto sent = Steady::now();
                while (p.port->waiting() < 2 && Steady::now() - sent < std::chrono::seconds(2)) {
                }
                firstByte += Steady::now() - start;
                // The reply is already waiting, so ReceiveFrame's first 20 ms slice is all that
                // the program's own exchange adds on top.
                if (!i2ct::ReceiveFrame(p) || p.frame[0] != 0x1A) {
                    ++failures;
                }
                program += Steady::now() - start;
            }
            // 11 00 04 out and 1A 03 d0 d1 d2 04 back, ten bit times per byte (8N1).
            const double wireMs = 9.0 * 10.0 / 115200.0 * 1000.0;
            auto ms = [&](Steady::duration d) {
                return std::chrono::duration<double, std::milli>(d).count() / kRounds;
            };
            std::printf("GET VERSION over a pty, %d rounds, %d failed\n", kRounds, failures);
            std::printf("  wire time of its 9 bytes at 115200   : %8.3f ms\n", wireMs);
            std::printf("  request out to reply waiting          : %8.3f ms\n", ms(firstByte));
            std::printf("  whole exchange as the program does it : %8.3f ms\n", ms(program));
            status = failures == 0 ? 0 : 1;
        }
    }
    std::filesystem::remove_all(runtime);
    return status;
}
