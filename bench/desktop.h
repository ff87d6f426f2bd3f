#pragma once
// What the benchmarks of the real program need around it: the terminal as a child process on an
// X server, its figures from /proc, its window's pixels and key presses, the simulated modem's
// wire log, and the spread of a series of figures.

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/colour.h"

namespace i2ct::bench {

// Microseconds on CLOCK_MONOTONIC, the clock of i2c-modem-sim's --wire-log.
std::int64_t MonotonicMicroseconds();

// Sleeps for ms milliseconds.
void SleepMs(int ms);

// i2c-terminal as a child process with runtimeDir as its XDG_RUNTIME_DIR, which is where it
// looks for simulated modems. The destructor ends it.
class TerminalProcess {
  public:
    TerminalProcess(const std::string& binary, const std::string& runtimeDir);
    ~TerminalProcess();
    TerminalProcess(const TerminalProcess&) = delete;
    TerminalProcess& operator=(const TerminalProcess&) = delete;

    pid_t pid() const { return pid_; }
    // Just before the fork, in MonotonicMicroseconds.
    std::int64_t launchedAt() const { return launchedAt_; }

  private:
    pid_t pid_ = -1;
    std::int64_t launchedAt_ = 0;
};

// One look at a process in /proc. The CPU time covers all threads, ended ones included; the
// context switches are counted per thread, since the kernel keeps them only there.
struct ProcessSample {
    double cpuMs = 0;
    std::map<pid_t, long long> switches;  // voluntary and non-voluntary, by thread id
};
ProcessSample SampleProcess(pid_t pid);
// Context switches between two samples, of all threads (main == false) or of the main thread.
long long SwitchesBetween(const ProcessSample& before, const ProcessSample& after, pid_t pid,
                          bool mainOnly);

// A rectangle in a window's client area.
struct Area {
    int x, y, width, height;
};

// The main window's controls where the program places them, and the colours that show they are
// painted: the status field on any of its backgrounds, the message line on grey.
inline constexpr Area kStatusField{160, 10, 60, 20};
inline constexpr Area kMessageLine{90, 630, 650, 20};

// A connection to the X server of $DISPLAY, for looking at the terminal's window.
class XScreen {
  public:
    XScreen();  // throws when there is no X server
    ~XScreen();
    XScreen(const XScreen&) = delete;
    XScreen& operator=(const XScreen&) = delete;

    // The viewable top-level window whose title starts with title, or 0 while there is none.
    unsigned long findWindow(std::string_view title);
    // The share (0 to 1) of the area's pixels that have one of the colours.
    double share(unsigned long window, Area area, const std::vector<Rgb>& colours);
    // Whether the status field and the message line show their colours.
    bool painted(unsigned long window);
    // Saves the window's client area as a binary PPM picture; false when that fails.
    bool savePicture(unsigned long window, const std::string& path);

  private:
    struct Impl;
    Impl* impl_;
};

// Types a line into the window with xdotool's key presses and presses Enter.
bool TypeLine(unsigned long window, const std::string& line);

// One read or write of i2c-modem-sim as its --wire-log records it.
struct WireChunk {
    std::int64_t at;  // MonotonicMicroseconds
    bool fromHost;    // the terminal's bytes, read by the modem; otherwise the modem's reply
    std::vector<std::uint8_t> bytes;
};
std::vector<WireChunk> ReadWireLog(const std::string& path);

// Median, smallest and largest of a series.
struct Spread {
    double median = 0, min = 0, max = 0;
};
Spread SpreadOf(std::vector<double> values);

}  // namespace i2ct::bench
