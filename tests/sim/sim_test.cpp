// The simulated firmware on requests the terminal never sends; the transcripts and the
// end-to-end test show it answering the terminal.
#include <gtest/gtest.h>

#include <sstream>

#include "sim/virtual_link.h"

namespace i2ct::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::size_t Drain(Firmware& fw, Tick until, Bytes& got) {
    fw.advance(until);
    while (const auto b = fw.output().take(until)) got.push_back(*b);
    return got.size();
}

// "REQUEST = ANSWER" in hex bytes. "+N" in the request lets N ms pass; "@N" at the end says that
// the answer is complete N ms after the last request byte, and not a millisecond earlier.
TEST(Firmware, AnswersFramesTheTerminalNeverSends) {
    const std::string cases[] = {
        "77 00 04 = 49 01 03 04", "11 = 49 01 04 04 @50", "33 80 11 00 04 = 49 01 05 04",
        "33 05 72 00 = 49 01 06 04 @50", "33 03 73 00 08 = 49 01 06 04 @50",
        // The rest of a broken burst is dropped; a request after a 2 ms pause is heard.
        "11 00 05 +1 04 12 00 04 +2 11 00 04 = 49 01 07 04 1A 03 02 02 00 04",
        // A lone end byte is no request; the byte timeout counts from the latest byte.
        "04 11 +40 00 +49 04 = 1A 03 02 02 00 04",
        // Data parts of the wrong size.
        "41 02 74 00 04 42 00 04 = 2A 00 04 49 01 42 04", "33 04 73 00 01 02 04 = 49 01 05 04",
        "33 03 73 00 80 04 = 49 01 05 04", "21 02 01 01 04 = 49 01 05 04", "31 00 04 = 49 01 04 04",
        "22 03 01 02 03 04 = 49 01 05 04", "33 01 72 04 = 49 01 04 04", "41 01 74 04 = 49 01 41 04",
        "43 02 41 00 04 = 49 01 46 04", "45 01 02 04 = 49 01 4A 04", "45 00 04 = 49 01 4A 04",
        // While listening streams, only the end byte counts: it stops the stream.
        "41 02 74 00 04 42 01 00 04 11 00 04 11 00 04 = 2A 00 04 4A 00 04 1A 03 02 02 00 04",
        // Back to back on a slow bus: the answers keep their order, all after the write's bytes.
        "22 02 FF FF 04 33 03 72 00 DF 04 11 00 04 = 2A 00 04 3A 00 04 1A 03 02 02 00 04 @472"};
    for (const std::string& row : cases) {
        Firmware fw;
        fw.setLatency(0);
        Tick now = 0xFFFFFFE0u, done = 0;  // close to the wrap of the tick counter
        Bytes answer, got;
        bool answering = false;
        std::istringstream words(row);
        for (std::string w; words >> w;) {
            if (w == "=") {
                answering = true;
            } else if (w[0] == '+' || w[0] == '@') {
                (w[0] == '+' ? now : done) += static_cast<Tick>(std::stoul(w.substr(1)));
            } else {
                const auto byte = static_cast<std::uint8_t>(std::stoul(w, nullptr, 16));
                answering ? answer.push_back(byte) : fw.receive(byte, now);
            }
        }
        EXPECT_LT(Drain(fw, now + done - 1, got), answer.size()) << row;
        Drain(fw, now + done, got);
        EXPECT_EQ(got, answer) << row;
        EXPECT_EQ(Drain(fw, now + 5000, got), answer.size()) << row;  // and nothing more
    }
}

}  // namespace
}  // namespace i2ct::sim
