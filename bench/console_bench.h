#pragma once
// The console benchmark: one typed command found by LineTracker and answered with one
// PrintLine, on an output area that already holds many lines.

#include <chrono>
#include <cstdio>
#include <functional>

#include "core/console.h"

namespace i2ct::bench {

struct ConsoleFigures {
    long long lines;
    double microsecondsPerCommand;
};

// fill appends the lines; typeCommand types one command line and Enter at the end of the area.
// Returns the mean time of tracker plus result line over `commands` commands.
inline ConsoleFigures MeasureConsole(Program& p, long long lines, int commands,
                                     const std::function<void()>& typeCommand) {
    for (long long i = 0; i < lines - 1; ++i) {
        p.ports.output.append("!RD > 01 02 0A 10 FF 00 7F 80 " + std::to_string(i));
    }
    p.ports.output.append(p.PromptChar);
    RefreshSnapshot(p);
    using Clock = std::chrono::steady_clock;
    Clock::duration spent{};
    for (int c = 0; c < commands; ++c) {
        typeCommand();
        const auto start = Clock::now();
        const Text line = LineTracker(p);
        PrintLine(p, "!GET INT > 1", LineKind::Result);
        spent += Clock::now() - start;
        if (line.empty()) {
            std::fprintf(stderr, "the tracker found no command\n");
        }
    }
    const double us = std::chrono::duration<double, std::micro>(spent).count() / commands;
    return {lines, us};
}

}  // namespace i2ct::bench
