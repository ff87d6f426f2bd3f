// The idle window's wake-ups and CPU share: the real i2c-terminal on an X server, with
// i2c-modem-sim, without a modem, and while it watches interrupts, each watched from /proc over
// all its threads for 30 s (--seconds). Goals: at most 10 wake-ups a second and under 0.2 % of a
// core.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "desktop.h"
#include "sim_process.h"

namespace {

using namespace i2ct::bench;

struct Scenario {
    const char* name;
    bool modem;
    std::vector<std::string> typed;  // command lines typed before the measurement
};
const Scenario kScenarios[] = {
    {"with a modem", true, {}},
    {"without a modem", false, {}},
    // A table entry for the port expander, which the simulated modem accepts, then monitoring.
    {"watching interrupts", true, {"LDTB 0041 01", "CHKINT EIN"}},
};

constexpr const char* kTitle = "I2C-BUS";
constexpr int kPatienceMs = 10000;
// Lets what the typing and the start-up set going die down before the measurement starts.
constexpr int kSettleMs = 1000;

// Polls every 10 ms until done() holds or kPatienceMs have passed.
template <typename Done>
bool WaitFor(Done done) {
    for (int waited = 0; waited < kPatienceMs; waited += 10) {
        if (done()) {
            return true;
        }
        SleepMs(10);
    }
    return done();
}

struct Figures {
    double cpuPercent;
    double wakeUps;
    double mainWakeUps;
};

// One scenario from launch to its figures; nothing when the window never got there.
std::optional<Figures> Measure(const Scenario& s, const std::string& terminalBinary,
                               const std::string& simBinary, const std::string& runtime,
                               int seconds, const std::string& picture) {
    std::unique_ptr<i2ct::test::SimProcess> sim;
    if (s.modem) {
        sim = std::make_unique<i2ct::test::SimProcess>(simBinary, runtime);
    }
    XScreen screen;
    TerminalProcess terminal(terminalBinary, runtime);
    unsigned long window = 0;
    if (!WaitFor([&] { return (window = screen.findWindow(kTitle)) != 0; })) {
        std::fprintf(stderr, "%s: no window\n", s.name);
        return std::nullopt;
    }
    // With a modem the start-up ends on "Online"; without one the window shows itself on red.
    const std::vector<i2ct::Rgb> ready{s.modem ? i2ct::colour::kGreen : i2ct::colour::kRed};
    if (!WaitFor([&] { return screen.share(window, kStatusField, ready) > 0.5; })) {
        std::fprintf(stderr, "%s: the start-up did not end\n", s.name);
        return std::nullopt;
    }
    // The status turns "Online" before the start-up's last exchange, which drops any key.
    SleepMs(kSettleMs);
    for (const std::string& line : s.typed) {
        if (!TypeLine(window, line)) {
            std::fprintf(stderr, "%s: xdotool failed\n", s.name);
            return std::nullopt;
        }
        SleepMs(kSettleMs);
    }
    if (!s.typed.empty()) {
        // Only monitoring blinks the status field, so yellow there shows that CHKINT EIN took.
        if (!WaitFor([&] {
                return screen.share(window, kStatusField, {i2ct::colour::kYellow}) > 0.5;
            })) {
            std::fprintf(stderr, "%s: the status field does not blink\n", s.name);
            return std::nullopt;
        }
        if (!picture.empty() && !screen.savePicture(window, picture)) {
            std::fprintf(stderr, "cannot save %s\n", picture.c_str());
        }
    }
    const ProcessSample before = SampleProcess(terminal.pid());
    const std::int64_t start = MonotonicMicroseconds();
    SleepMs(seconds * 1000);
    const ProcessSample after = SampleProcess(terminal.pid());
    const double elapsedS = double(MonotonicMicroseconds() - start) / 1e6;
    return Figures{
        (after.cpuMs - before.cpuMs) / (elapsedS * 1000) * 100,
        double(SwitchesBetween(before, after, terminal.pid(), false)) / elapsedS,
        double(SwitchesBetween(before, after, terminal.pid(), true)) / elapsedS,
    };
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = 30;
    std::string picture;
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            seconds = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--picture") == 0 && i + 1 < argc) {
            picture = argv[++i];
        } else {
            paths.emplace_back(argv[i]);
        }
    }
    if (paths.size() != 2 || seconds <= 0) {
        std::fprintf(stderr,
                     "usage: %s [--seconds N] [--picture FILE.ppm] PATH-OF-i2c-terminal "
                     "PATH-OF-i2c-modem-sim\n"
                     "  needs an X server on $DISPLAY and xdotool; --picture saves the window "
                     "while it watches interrupts\n",
                     argv[0]);
        return 2;
    }
    std::printf(
        "The idle window on X, %d s each (goals: at most 10 wake-ups/s, under 0.2 %% of "
        "a core)\n",
        seconds);
    std::printf("  %-22s %9s %12s %14s\n", "", "CPU", "wake-ups/s", "main thread/s");
    int status = 0;
    for (const Scenario& s : kScenarios) {
        // Each scenario in a directory of its own, so that a modem of one is not found by the
        // next. It must be the user's alone, as mkdtemp makes it.
        char pattern[] = "/tmp/i2ct-bench-XXXXXX";
        const char* runtime = mkdtemp(pattern);
        if (runtime == nullptr) {
            std::perror("mkdtemp");
            return 1;
        }
        const std::optional<Figures> f = Measure(s, paths[0], paths[1], runtime, seconds, picture);
        std::filesystem::remove_all(runtime);
        if (!f) {
            status = 1;
            continue;
        }
        std::printf("  %-22s %7.2f %% %12.1f %14.1f\n", s.name, f->cpuPercent, f->wakeUps,
                    f->mainWakeUps);
        std::fflush(stdout);
    }
    return status;
}
