// Plays a transcript (see docs/transcripts.md) against the whole terminal on virtual time and
// compares, block by block, what happened with what the transcript says. A new transcript is
// drafted from the lines a failing run reports as actual.

#include <fstream>
#include <iostream>
#include <map>

#include "player.h"

namespace i2ct::test {
namespace {

// A row of a fault matrix (see faults.tr): its healthy case, and where its faults strike.
struct Row {
    Block healthy{0, ""};
    std::vector<std::string> setup, cells;
    std::string own, skip;
    Tick unplugAt = 0, late = 0, limit = 0;
};

using Outcomes = std::map<std::string, std::vector<std::string>>;

// "unplug", "plug", "click" or "sim CMD", each with an optional "+MS"; false for other lines.
bool ParseAction(const std::string& line, Block& b) {
    const std::vector<std::string> w = Words(line);
    if (w[0] != "unplug" && w[0] != "plug" && w[0] != "click" && w[0] != "sim") {
        return false;
    }
    const bool timed = w.size() > 1 && w[1][0] == '+';
    std::string action = w[0] == "sim" ? "sim " : w[0];
    for (std::size_t i = timed ? 2 : 1; w[0] == "sim" && i < w.size(); ++i) action += w[i] + " ";
    b.actions.push_back({timed ? static_cast<Tick>(std::stoul(w[1].substr(1))) : 0, action});
    return true;
}

// "HEAD → ACTION ; ACTION": a block with actions and nothing to check.
Block Headed(int number, const std::string& text) {
    const std::vector<std::string> parts = Split(text, " → ");
    Block b(number, parts[0]);
    for (const std::string& action : parts.size() > 1 ? Split(parts[1], " ; ") : Words("")) {
        ParseAction(action, b);
    }
    return b;
}

// "row HEAD [→ ACTION ; ACTION] | SKIP +MS | LATE/TOTAL | OUTCOMES | OWN [| SETUP]"
Row ParseRow(int number, const std::string& line) {
    const std::vector<std::string> f = Split(line.substr(4), " | ");
    const std::vector<std::string> strike = Words(f.at(1)), limits = Split(f.at(2), "/");
    Row r;
    r.healthy = Headed(number, f.at(0));
    r.healthy.timed = true;
    r.skip = strike.at(0);
    r.unplugAt = static_cast<Tick>(std::stoul(strike.at(1).substr(1)));
    r.late = static_cast<Tick>(std::stoul(limits.at(0)));
    r.limit = static_cast<Tick>(std::stoul(limits.at(1)));
    r.cells = Words(f.at(3));
    r.own = f.at(4);
    r.setup = f.size() > 5 ? Split(f[5], " ; ") : r.setup;
    return r;
}

bool Parse(std::istream& in, const std::string& file, bool& firmware, std::vector<Block>& out,
           Outcomes& outcomes, std::vector<Row>& rows) {
    int number = 0;
    auto take = [&](const std::string& line) {
        if (line.starts_with("outcome ")) {
            const std::size_t is = line.find(" = ");
            outcomes[line.substr(8, is - 8)] = Split(line.substr(is + 3), " / ");
        } else if (line.starts_with("row ")) {
            rows.push_back(ParseRow(number, line));
        } else if (line == "modem: firmware" && out.empty()) {
            firmware = true;
        } else if (line == "start" || line.starts_with("> ") || line.starts_with(">> ") ||
                   line.starts_with("wait ")) {
            out.emplace_back(number, line);
        } else if (out.empty()) {
            std::cerr << file << ":" << number << ": a block starts with start, >, >> or wait\n";
            return false;
        } else if (!ParseAction(line, out.back())) {
            Block& b = out.back();
            if (line.starts_with("wire< ") && !firmware) {
                (b.answers.empty() ? b.unasked : b.answers.back())
                    .push_back(ParseAnswer(line.substr(6)));
                return true;
            }
            b.answers.resize(b.answers.size() + line.starts_with("wire> "));
            b.timed = b.timed || line.starts_with("took: ");
            b.expected.push_back(line);
        }
        return true;
    };
    for (std::string line; std::getline(in, line);) {
        ++number;
        if (line.empty() || line[0] == ';') {
            continue;
        }
        if (line.back() == ' ' || line.find("  ") != std::string::npos) {
            std::cerr << file << ":" << number << ": write trailing and repeated blanks as "
                      << kBlank << "\n";
            return false;
        }
        // "HEAD → A | B" is the block HEAD followed by the lines A and B: a row of a table.
        const std::size_t arrow = line.starts_with("row ") ? std::string::npos : line.find(" → ");
        const std::vector<std::string> parts =
            arrow == std::string::npos ? Split(line, "\n") : Split(line.substr(arrow + 5), " | ");
        if (!take(line.substr(0, arrow))) {
            return false;
        }
        for (std::size_t i = arrow == std::string::npos ? 1 : 0; i < parts.size(); ++i) {
            take(parts[i]);
        }
    }
    return true;
}

// Both lists whole: "- " what the transcript says, "+ " what happened, from which one is drafted.
void Difference(const std::vector<std::string>& e, const std::vector<std::string>& a) {
    for (const std::string& l : e) std::cerr << "  - " << l << "\n";
    for (const std::string& l : a) std::cerr << "  + " << l << "\n";
}

const char* const kFaults[] = {"silent", "late", "garbage", "short",
                               "long",   "more", "unplug",  "replug"};

// The case of a row under a fault: the simulated modem's own faults, or the unplugging.
Block Case(const Row& r, std::size_t fault) {
    Block b = r.healthy;
    if (fault < 6) {
        const std::string late = fault == 1 ? std::to_string(r.late) + " " : "";
        b.actions.push_back(
            {0, "sim fault " + std::string(kFaults[fault]) + " " + late + "after " + r.skip});
    } else if (fault < std::size(kFaults)) {
        b.actions.push_back({r.unplugAt, "unplug"});
        b.actions.resize(b.actions.size() + (fault == 7), {r.unplugAt + 100, "plug"});
    }
    return b;
}

// Plays a row: the healthy case, then each fault followed by the healthy case again. A case
// shows its outcome within the row's limit; with the fault gone, the terminal is online again
// within one keep-alive plus 2 s, or after an unplug within the failed probe's keep-alive plus one.
int PlayRow(const std::string& file, const Row& r, const Outcomes& outcomes, Player& player) {
    int failures = 0;
    std::vector<std::string> healthy;
    for (std::size_t i = 0; i <= 2 * r.cells.size(); ++i) {
        const std::size_t fault = i % 2 == 0 ? std::size(kFaults) : i / 2;
        for (const std::string& typed : r.setup) player.play(Headed(0, typed), true);
        std::vector<std::string> actual = player.play(Case(r, fault));
        const Tick took = static_cast<Tick>(std::stoul(actual.back().substr(6)));
        actual.pop_back();
        // The wire is the other transcripts' to show, and the message line's clearing and the
        // blinking depend on where a case starts.
        std::erase_if(actual, [](const std::string& l) {
            return l.starts_with("wire") || l == "msg:" || l.starts_with("blinks:");
        });
        if (took > r.limit) {
            actual.push_back("took: " + std::to_string(took));
        }
        std::vector<std::string> expected = i == 0 ? actual : healthy;
        if (fault < std::size(kFaults)) {
            expected.clear();
            const auto outcome = outcomes.find(r.cells[fault]);
            for (std::string l : outcome == outcomes.end() ? Words("?") : outcome->second) {
                if (const std::size_t at = l.find('$'); at != std::string::npos) {
                    l.replace(at, 1, r.own);
                }
                const std::vector<std::string> one(l != "-", l);
                expected.insert(expected.end(), (l == "=" ? healthy : one).begin(),
                                (l == "=" ? healthy : one).end());
            }
            Block recovery(0, fault < 6 ? "wait 5000" : "wait 8100");
            recovery.actions = {{0, "plug"}, {0, "sim fault off"}};
            player.play(recovery, true);
            if (player.status == "Offline red") {
                actual.push_back("again: " + player.status);
            }
        }
        healthy = i == 0 ? actual : healthy;
        if (actual != expected) {
            std::cerr << file << ":" << r.healthy.line << ": " << r.healthy.head << ", "
                      << (fault < std::size(kFaults) ? kFaults[fault] : "healthy") << "\n";
            Difference(expected, actual);
            ++failures;
        }
    }
    return failures;
}

int Run(const std::string& file) {
    std::ifstream in(file);
    bool firmware = false;
    std::vector<Block> blocks;
    Outcomes outcomes{{"=", {"="}}};  // the healthy result
    std::vector<Row> rows;
    if (!in || !Parse(in, file, firmware, blocks, outcomes, rows)) {
        std::cerr << file << ": cannot be read as a transcript\n";
        return 2;
    }
    Player player(firmware);
    int failures = 0;
    if (blocks.empty() || blocks[0].head != "start") {
        player.play(Block(0, "start"), true);
    }
    for (const Block& b : blocks) {
        const std::vector<std::string> actual = player.play(b);
        if (actual != b.expected) {
            std::cerr << file << ":" << b.line << ": " << b.head << "\n";
            Difference(b.expected, actual);
            ++failures;
        }
    }
    for (const Row& r : rows) failures += PlayRow(file, r, outcomes, player);
    return failures == 0 ? 0 : 1;
}

}  // namespace
}  // namespace i2ct::test

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: i2ct_transcripts FILE.tr\n";
        return 2;
    }
    return i2ct::test::Run(argv[1]);
}
