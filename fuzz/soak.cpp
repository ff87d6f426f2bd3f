// Random commands typed as users type them, right and wrong, among faults of the modem and clicks
// of the user, on virtual time: i2ct_soak SEED COMMANDS TRANSCRIPT_DIRECTORY. Each must end in a
// documented outcome: its messages are ones the transcripts show (digit runs as one), the status
// is Online, Offline or BUSSY, the pass ends, and the console ends on a prompt, an empty line or
// a "?" echo. With the console cleared every 100 commands, the heap's peak stays flat.

#include <malloc.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <set>

#include "player.h"

// The allocator's own count under AddressSanitizer, where malloc's statistics know nothing.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));

using namespace i2ct;
using test::Split;

namespace {

const std::vector<Text> kWords =
    Split("|0|1|EIN|aus|0072|0073|FF|256|-1|1234|0x12|Z|\xC4|\t|#|?", "|");
// One-shot faults of the modem, a slow or unplugged one, bus events and the user's clicks, as
// the actions of a block; a fifth of the commands first heal the modem.
const std::vector<Text> kFaults = Split(
    "sim fault silent|sim fault late 2100|sim fault garbage|sim fault short|sim fault long|"
    "sim fault more|sim latency 300|sim expander FE|sim expander FF|sim int|unplug|click|"
    "sim traffic 0074 01 02 03|sim partial 0074 01|sim nak 0072 on|sim garbage 49 01 08 04|"
    "sim garbage 4F 00 04 4A 04 41 00 05 FF 04",
    "|");
const std::vector<Text> kHealing = Split("sim latency 2|sim nak 0072 off|plug|sim fault off", "|");

// Windows-1252 with a run of digits as one "0".
std::string Shape(std::string_view text) {
    std::string s;
    for (char c : text) {
        const bool digit = c >= '0' && c <= '9';
        s += digit && !s.empty() && s.back() == '0' ? "" : std::string(1, digit ? '0' : c);
    }
    return s;
}

// Every text after "msg: " or "err: " and every progress text with its turning characters, from
// lines and from the items of table rows.
std::set<std::string> Documented(const char* directory) {
    std::set<std::string> texts{" ", ""};
    for (const auto& file : std::filesystem::directory_iterator(directory)) {
        std::ifstream in(file.path());
        for (std::string l; std::getline(in, l);) {
            // Each item of a row, or the line, followed by one blank.
            for (std::string t : Split(Shape(test::Typed(l)) + " |", "|")) {
                t.erase(0, t.starts_with(' ') ? 1 : 0);
                const std::size_t colon = t.find(": ");
                if (t.starts_with("msg: ") || t.starts_with("err: ")) {
                    texts.insert(t.substr(5, t.size() - 6));
                }
                for (char c : std::string_view(t.starts_with("spin") ? "/-\\|" : "")) {
                    texts.insert(t.substr(colon + 2, t.size() - colon - 3) + c);
                }
            }
        }
    }
    return texts;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: i2ct_soak SEED COMMANDS TRANSCRIPT_DIRECTORY\n";
        return 2;
    }
    const std::set<std::string> documented = Documented(argv[3]);
    const long commands = std::stol(argv[2]);
    std::mt19937 engine(static_cast<unsigned>(std::stoul(argv[1])));
    const auto random = [&engine](std::size_t n) { return static_cast<unsigned>(engine() % n); };
    const auto any = [&random](const std::vector<Text>& v) { return v[random(v.size())]; };
    const std::vector<Text> lines = Split(std::string(test::kCommands), "|");
    test::Player player(true);
    player.watch();
    player.play(test::Block(0, "start"), true);
    test::Rig& rig = player.rig();
    std::size_t first = 0, peak = 0;
    for (long n = 1; n <= commands; ++n) {
        // Now and then a wrong or an extra argument, odd letter case, extra blanks, garbage.
        std::vector<Text> words = Split(any(lines), " ");
        words.resize(words.size() + (random(6) == 0), any(kWords));
        Text line;
        for (std::size_t i = 0; i < words.size(); ++i) {
            line += Text(random(5) == 0 ? random(4) : i > 0, ' ') +
                    (i > 0 && random(6) == 0 ? any(kWords) : words[i]);
        }
        for (char& c : line) {
            c = random(5) > 0 ? c : static_cast<char>(std::isupper(c) ? c + 32 : std::toupper(c));
            c = random(20) > 0 ? c : static_cast<char>(' ' + random(224));
        }
        test::Block typed(0, "> " + line);
        typed.raw = true;
        for (const Text& healing : random(5) == 0 ? kHealing : std::vector<Text>()) {
            typed.actions.push_back({0, healing});
        }
        typed.actions.resize(typed.actions.size() + (random(4) == 0), {random(3000), any(kFaults)});
        player.play(typed);
        player.play(test::Block(0, "wait " + std::to_string(random(8) == 0 ? random(8000) : 0)));
        const Text last = rig.output.get(rig.output.count() - 1);
        std::string wrong = last.size() <= 1 || last[0] == '?' ? "" : "the console ends on " + last;
        for (const auto& [text, red] : rig.message.history) {
            wrong = documented.contains(Shape(text)) ? wrong : "the message " + utf8(text);
        }
        for (const std::string& shown : rig.status.shown) {
            const bool known =
                shown == "Online green" || shown == "Offline red" || shown == "BUSSY yellow";
            wrong = known ? wrong : "the status " + shown;
        }
        if (!wrong.empty()) {
            std::cerr << "command " << n << " \"" << utf8(line) << "\": " << wrong << "\n";
            return 1;
        }
        rig.message.history.clear();
        rig.status = {};
        rig.bench.firmware().clearReceived();
        if (n % 100 == 0) {
            rig.output.clear();
        }
        peak = std::max<std::size_t>(peak, __sanitizer_get_current_allocated_bytes != nullptr
                                               ? __sanitizer_get_current_allocated_bytes()
                                               : mallinfo2().uordblks);
        first = n <= commands / 10 ? peak : first;
    }
    std::cout << "soak: " << commands << " commands, seed " << argv[1] << ", "
              << rig.time.ticks() / 1000 << " s virtual; peak heap " << first << " bytes after "
              << commands / 10 << ", " << peak << " after " << commands << "\n";
    return peak > first + first / 4 ? (std::cerr << "memory grows with the commands\n", 1) : 0;
}
