// The start-up of the real i2c-terminal on an X server against i2c-modem-sim, launched 10 times
// (--launches): from the fork to its window on the screen, to the window painted, and to the
// first Frame on the wire; and, seen from the modem through its --wire-log, how soon each
// request of the start-up sequence follows the reply before it. Goals: painted within 300 ms,
// the first Frame within 600 ms of launch.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "desktop.h"
#include "sim_process.h"

namespace {

using namespace i2ct::bench;

constexpr const char* kTitle = "I2C-BUS";
constexpr std::int64_t kPatienceUs = 10'000'000;
// The requests of the start-up sequence that follow a reply: the prompt query after the version
// query, then GET SPEED.
constexpr std::uint8_t kPromptRequest = 0x12;
constexpr std::uint8_t kSpeedRequest = 0x22;

struct Launch {
    double mappedMs = 0;      // the window is on the screen, painted or not
    double paintedMs = 0;     // its controls show their colours
    double firstFrameMs = 0;  // the modem reads the first byte of a request
    std::optional<double> promptGapMs;
    std::optional<double> speedGapMs;
};

// The gap from the last reply chunk before the request of this kind to the request itself.
std::optional<double> GapBefore(const std::vector<WireChunk>& log, std::uint8_t kind) {
    for (std::size_t i = 1; i < log.size(); ++i) {
        if (log[i].fromHost && !log[i - 1].fromHost && !log[i].bytes.empty() &&
            log[i].bytes[0] == kind) {
            return double(log[i].at - log[i - 1].at) / 1000;
        }
    }
    return std::nullopt;
}

// Whether the modem has answered GET SPEED, the end of the start-up sequence.
bool SequenceDone(const std::vector<WireChunk>& log) {
    bool asked = false;
    for (const WireChunk& c : log) {
        if (c.fromHost && !c.bytes.empty() && c.bytes[0] == kSpeedRequest) {
            asked = true;
        } else if (asked && !c.fromHost) {
            return true;
        }
    }
    return false;
}

std::optional<Launch> LaunchOnce(XScreen& screen, const std::string& terminalBinary,
                                 const std::string& simBinary, const std::string& runtime) {
    const std::string wireLog = runtime + "/wire.log";
    i2ct::test::SimProcess sim(simBinary, runtime, {"--wire-log", wireLog});
    TerminalProcess terminal(terminalBinary, runtime);
    const std::int64_t t0 = terminal.launchedAt();
    const auto sinceLaunch = [t0](std::int64_t at) { return double(at - t0) / 1000; };
    Launch launch;
    unsigned long window = 0;
    bool painted = false;
    bool sequenceDone = false;
    // Every millisecond the window; once it is painted, every 10 ms the wire log.
    for (int round = 0; !(painted && sequenceDone); ++round) {
        const std::int64_t now = MonotonicMicroseconds();
        if (now - t0 > kPatienceUs) {
            std::fprintf(stderr, "launch: %s\n",
                         window == 0 ? "no window"
                         : !painted  ? "the window was never painted"
                                     : "the start-up sequence did not end");
            return std::nullopt;
        }
        if (window == 0 && (window = screen.findWindow(kTitle)) != 0) {
            launch.mappedMs = sinceLaunch(MonotonicMicroseconds());
        }
        if (window != 0 && !painted && screen.painted(window)) {
            painted = true;
            launch.paintedMs = sinceLaunch(MonotonicMicroseconds());
        }
        if (painted && round % 10 == 0) {
            sequenceDone = SequenceDone(ReadWireLog(wireLog));
        }
        SleepMs(1);
    }
    const std::vector<WireChunk> log = ReadWireLog(wireLog);
    for (const WireChunk& c : log) {
        if (c.fromHost) {
            launch.firstFrameMs = sinceLaunch(c.at);
            break;
        }
    }
    launch.promptGapMs = GapBefore(log, kPromptRequest);
    launch.speedGapMs = GapBefore(log, kSpeedRequest);
    return launch;
}

void PrintRow(const char* name, const std::vector<double>& values) {
    const Spread s = SpreadOf(values);
    std::printf("  %-44s %8.1f %8.1f %8.1f ms\n", name, s.median, s.min, s.max);
}

}  // namespace

int main(int argc, char** argv) {
    int launches = 10;
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--launches") == 0 && i + 1 < argc) {
            launches = std::atoi(argv[++i]);
        } else {
            paths.emplace_back(argv[i]);
        }
    }
    if (paths.size() != 2 || launches <= 0) {
        std::fprintf(stderr,
                     "usage: %s [--launches N] PATH-OF-i2c-terminal PATH-OF-i2c-modem-sim\n"
                     "  needs an X server on $DISPLAY\n",
                     argv[0]);
        return 2;
    }
    XScreen screen;
    std::vector<double> mapped, painted, firstFrame, promptGap, speedGap;
    int failed = 0;
    for (int i = 0; i < launches; ++i) {
        // A directory of the user's alone for each launch: the modem's announcement and its log.
        char pattern[] = "/tmp/i2ct-bench-XXXXXX";
        const char* runtime = mkdtemp(pattern);
        if (runtime == nullptr) {
            std::perror("mkdtemp");
            return 1;
        }
        const std::optional<Launch> l = LaunchOnce(screen, paths[0], paths[1], runtime);
        std::filesystem::remove_all(runtime);
        if (!l || !l->promptGapMs || !l->speedGapMs) {
            ++failed;
            continue;
        }
        mapped.push_back(l->mappedMs);
        painted.push_back(l->paintedMs);
        firstFrame.push_back(l->firstFrameMs);
        promptGap.push_back(*l->promptGapMs);
        speedGap.push_back(*l->speedGapMs);
    }
    std::printf("Start-up on X against i2c-modem-sim, %d launches, %d failed\n", launches, failed);
    std::printf("(goals: painted within 300 ms, first Frame within 600 ms)\n");
    std::printf("  %-44s %8s %8s %8s\n", "from launch to", "median", "min", "max");
    PrintRow("the window on the screen", mapped);
    PrintRow("the window painted", painted);
    PrintRow("the first Frame on the wire", firstFrame);
    std::printf("  %-44s\n", "seen from the modem, from a reply to the next request");
    PrintRow("version reply to the prompt query", promptGap);
    PrintRow("prompt reply to GET SPEED", speedGap);
    return failed == 0 ? 0 : 1;
}
