// LineTracker plus one PrintLine per command on the in-memory output area.
#include <cstdio>

#include "console_bench.h"
#include "rig.h"

int main() {
    std::printf("console, in memory\n%10s %16s\n", "lines", "us per command");
    for (long long lines : {100LL, 10000LL, 100000LL}) {
        i2ct::test::Rig rig;
        i2ct::Program p(rig.ports());
        p.PromptChar = "#";
        const auto figures = i2ct::bench::MeasureConsole(p, lines, 200, [&] {
            rig.output.moveToEndOfLine(rig.output.count() - 1);
            rig.output.type("GET INT\n");
        });
        std::printf("%10lld %16.2f\n", figures.lines, figures.microsecondsPerCommand);
    }
    return 0;
}
