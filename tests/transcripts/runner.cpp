// Plays a transcript (see docs/transcripts.md) against the whole terminal on virtual time and
// compares, block by block, what happened with what the transcript says. A new transcript is
// drafted from the lines a failing run reports as actual.

#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <sstream>

#include "app/terminal.h"
#include "core/console.h"
#include "rig.h"
#include "sim/control.h"
#include "sim/virtual_link.h"

namespace i2ct::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

const std::string kBlank = "\u2423";      // ␣
const std::string kEmptyLine = "\u00B6";  // ¶ for an empty console line

struct Answer {
    Tick delay = 2;
    Bytes bytes;
};

struct Block {
    Block(int at, std::string what) : line(at), head(std::move(what)) {}
    int line = 0;
    std::string head;  // "start", "> text", ">> text" or "wait N"
    std::vector<Answer> unasked;
    std::vector<std::vector<Answer>> answers;           // per request Frame, in order
    std::vector<std::pair<Tick, std::string>> actions;  // unplug, plug, sim ...
    std::vector<std::string> expected;
    bool timed = false;
};

// A row of a fault matrix (see faults.tr): its healthy case, and where its faults strike.
struct Row {
    Block healthy{0, ""};
    std::vector<std::string> setup, cells;
    std::string own, skip;
    Tick unplugAt = 0, late = 0, limit = 0;
};

std::vector<std::string> Split(const std::string& s, const std::string& by) {
    std::vector<std::string> parts;
    for (std::size_t at = 0, next;; at = next + by.size()) {
        next = s.find(by, at);
        parts.push_back(s.substr(at, next - at));
        if (next == std::string::npos) {
            return parts;
        }
    }
}

std::vector<std::string> Words(const std::string& s) {
    std::istringstream in(s);
    std::vector<std::string> w;
    for (std::string x; in >> x;) {
        w.push_back(x);
    }
    return w;
}

// Windows-1252 text as a transcript shows it: blanks at either end and runs of blanks as ␣.
std::string Visible(const Text& text) {
    std::string out = utf8(text);
    std::string shown;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const bool run =
            out[i] == ' ' && ((i + 1 < out.size() && out[i + 1] == ' ') ||
                              (i > 0 && out[i - 1] == ' ') || i == 0 || i + 1 == out.size());
        shown += run ? kBlank : out[i] == '\t' ? "\u21E5" : std::string(1, out[i]);
    }
    return shown;
}

Text Typed(std::string s) {
    for (std::size_t at; (at = s.find(kBlank)) != std::string::npos;) {
        s.replace(at, kBlank.size(), " ");
    }
    return cp1252(s);
}

std::string HexLine(const Bytes& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string s;
    for (std::uint8_t b : bytes) {
        s += std::string(s.empty() ? "" : " ") + digits[b >> 4] + digits[b & 15];
    }
    return s;
}

// "[+N] HEX..." of a wire< line.
Answer ParseAnswer(const std::string& rest) {
    Answer a;
    for (const std::string& w : Words(rest)) {
        if (w[0] == '+') {
            a.delay = static_cast<Tick>(std::stoul(w.substr(1)));
        } else {
            a.bytes.push_back(static_cast<std::uint8_t>(std::stoul(w, nullptr, 16)));
        }
    }
    return a;
}

bool StartsWith(const std::string& s, const std::string& p) {
    return s.rfind(p, 0) == 0;
}

// Records every byte the program moves on the port, in runs: a run ends when the direction
// changes, or a write follows an earlier one after a while. Tells when a request is complete:
// a Frame, or a lone end byte (the stop byte of LISTEN).
struct WireLog {
    explicit WireLog(Clock& c) : clock(c) {}
    Clock& clock;
    Tick last = 0;
    std::vector<std::pair<bool, Bytes>> runs;  // (written, bytes)
    Bytes request;
    std::function<void()> requested;
    void add(bool written, std::uint8_t b) {
        if (runs.empty() || runs.back().first != written || (written && clock.ticks() != last)) {
            runs.push_back({written, {}});
        }
        last = clock.ticks();
        runs.back().second.push_back(b);
        if (written) {
            request.push_back(b);
            const std::size_t n = request.size();
            if (request[0] == 0x04 || (n > 1 && n >= (request[1] < 0x80 ? request[1] : 0u) + 3)) {
                request.clear();
                requested();
            }
        }
    }
};

class LoggedPort : public SerialPort {
  public:
    LoggedPort(std::unique_ptr<SerialPort> port, WireLog& log)
        : port_(std::move(port)), log_(log) {}
    void writeByte(std::uint8_t b) override {
        log_.add(true, b);
        port_->writeByte(b);
    }
    std::optional<std::uint8_t> readByte() override {
        auto b = port_->readByte();
        if (b) {
            log_.add(false, *b);
        }
        return b;
    }
    std::size_t waiting() override { return port_->waiting(); }

  private:
    std::unique_ptr<SerialPort> port_;
    WireLog& log_;
};

// The terminal against the simulated modem. A scripted modem is the same one kept silent,
// with the transcript's answers sent as if they were line noise.
class Player : public SerialPorts {
  public:
    explicit Player(bool firmware) : firmware_(firmware) {
        rig_.bench.addModem();
        wire_.requested = [this] { respond(); };
    }

    // The lines the block's run produced, in the transcript's order.
    // A block without answers of its own (the start-up before the first) meets a healthy modem.
    std::vector<std::string> play(const Block& b, bool healthy = false) {
        const Tick t0 = rig_.time.ticks();
        wire_.runs.clear();
        rig_.message.history.clear();
        rig_.status.shown.clear();
        rig_.status.blinks.clear();
        answers_ = &b.answers;
        request_ = 0;
        silent_ = !firmware_ && !healthy;
        rig_.bench.firmware().setSilent(silent_);
        for (const Answer& a : b.unasked) {
            send(t0 + a.delay, a.bytes);
        }
        for (const auto& [at, action] : b.actions) {
            if (action == "click") {
                rig_.time.at(t0 + at, WindowEvent::StopButton);
            } else if (at == 0) {
                act(action);
            } else {
                rig_.time.schedule(t0 + at, [this, what = action] { act(what); });
            }
        }
        const std::vector<Text> before = rig_.lines();
        std::size_t from = 0;
        if (b.head == "start") {
            terminal_.startUp();
        } else if (StartsWith(b.head, "wait")) {
            const Tick end = t0 + static_cast<Tick>(std::stoul(b.head.substr(4)));
            while (rig_.time.ticks() < end && terminal_.runPass()) {
            }
        } else {
            const bool fresh = b.head[1] == ' ';
            MemoryOutputArea& area = rig_.output;
            Program& p = terminal_.program();
            if (fresh && area.get(area.count() - 1) != p.PromptChar) {
                area.append(p.PromptChar);
                RefreshSnapshot(p);
            }
            if (fresh) {
                area.moveToEndOfLine(area.count() - 1);
            }
            from = static_cast<std::size_t>(area.cursorLine()) + 1;
            const Text typed = Typed(b.head.substr(fresh ? 2 : 3));
            rig_.time.at(t0, WindowEvent::OutputArea, [&area, typed] { area.type(typed + "\n"); });
            terminal_.runPass();
        }
        if (from == 0) {
            const std::vector<Text> after = rig_.lines();
            while (from < before.size() && from < after.size() && before[from] == after[from]) {
                ++from;
            }
        }
        std::vector<std::string> out = wire();
        const std::vector<Text> all = rig_.lines();
        for (std::size_t i = from; i < all.size(); ++i) {
            out.push_back(all[i].empty() ? kEmptyLine : Visible(all[i]));
        }
        messages(out);
        if (!rig_.status.shown.empty()) {
            status = rig_.status.shown.back();
            std::string changes;
            for (const std::string& change : rig_.status.shown) {
                changes += (changes.empty() ? "status: " : ", ") + change;
            }
            out.push_back(changes);
        }
        if (!rig_.status.blinks.empty()) {
            out.push_back("blinks:" + rig_.status.blinks);
        }
        if (b.timed) {
            out.push_back("took: " + std::to_string(rig_.time.ticks() - t0));
        }
        return out;
    }

    std::string status = "Online green";  // what the status field shows now

    std::unique_ptr<SerialPort> open(const Text& definition) override {
        auto port = rig_.bench.open(definition);
        return port ? std::make_unique<LoggedPort>(std::move(port), wire_) : nullptr;
    }

  private:
    void send(Tick at, const Bytes& bytes) {
        rig_.time.schedule(
            at, [this, bytes] { rig_.bench.firmware().sendNoise(bytes, rig_.time.ticks()); });
    }

    void respond() {
        if (!firmware_ && request_ < answers_->size()) {
            for (const Answer& a : (*answers_)[request_]) {
                send(rig_.time.ticks() + a.delay, a.bytes);
            }
        }
        ++request_;
    }

    void act(const std::string& action) {
        if (action == "unplug") {
            rig_.bench.unplug();
        } else if (action == "plug" && !rig_.bench.modem().plugged()) {
            rig_.bench.plug();
            rig_.bench.firmware().setSilent(silent_);
        } else {
            sim::ExecuteControl(action.substr(4), rig_.bench.firmware(), rig_.time.ticks());
        }
    }

    std::vector<std::string> wire() const {
        std::vector<std::string> out;
        for (const auto& [written, bytes] : wire_.runs) {
            if (!written) {
                if (firmware_) {
                    out.push_back("wire< " + HexLine(bytes));
                }
                continue;
            }
            // Cuts a run of writes into its Frames; a raw byte stays a line of its own.
            std::size_t at = 0;
            while (at < bytes.size()) {
                std::size_t n = bytes.size() - at;
                if (n >= 3 && bytes[at + 1] < 0x80 && bytes[at + 1] + 3u <= n) {
                    n = bytes[at + 1] + 3u;
                }
                out.push_back("wire> " + HexLine(Bytes(bytes.begin() + static_cast<long>(at),
                                                       bytes.begin() + static_cast<long>(at + n))));
                at += n;
            }
        }
        return out;
    }

    // Progress texts that turn "/", "-", "\", "|" behind one prefix become one spin line; it
    // takes in the blank that clears them, or says "spinning" when none follows.
    void messages(std::vector<std::string>& out) const {
        static const std::string turning = "/-\\|";
        const auto& shown = rig_.message.history;
        for (std::size_t i = 0; i < shown.size();) {
            const Text& t = shown[i].first;
            std::size_t n = 0;
            while (!t.empty() && i + n < shown.size() && shown[i + n].first.size() == t.size() &&
                   shown[i + n].first.compare(0, t.size() - 1, t, 0, t.size() - 1) == 0 &&
                   shown[i + n].first.back() == turning[n % 4]) {
                ++n;
            }
            if (n > 0 && t.size() > 3 && t.compare(t.size() - 4, 3, ":  ") == 0) {
                i += n;
                const bool cleared =
                    i < shown.size() && shown[i] == std::make_pair(Text(" "), false);
                i += cleared ? 1 : 0;
                out.push_back((cleared ? "spin " : "spinning ") + std::to_string(n) + ": " +
                              Visible(t.substr(0, t.size() - 1)));
            } else {
                const std::string kind = shown[i].second ? "err:" : "msg:";
                out.push_back(t.empty() ? kind : kind + " " + Visible(t));
                ++i;
            }
        }
    }

    bool firmware_;
    Rig rig_;
    WireLog wire_{rig_.time};
    Terminal terminal_{Ports{rig_.time, rig_.time, rig_.output, rig_.status, rig_.message,
                             rig_.stop, rig_.help, rig_.dialog, rig_.opener, rig_.bench, *this}};
    const std::vector<std::vector<Answer>>* answers_ = nullptr;
    std::size_t request_ = 0;
    bool silent_ = false;
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
    for (std::size_t i = timed ? 2 : 1; w[0] == "sim" && i < w.size(); ++i) {
        action += w[i] + " ";
    }
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
        if (StartsWith(line, "outcome ")) {
            const std::size_t is = line.find(" = ");
            outcomes[line.substr(8, is - 8)] = Split(line.substr(is + 3), " / ");
        } else if (StartsWith(line, "row ")) {
            rows.push_back(ParseRow(number, line));
        } else if (line == "modem: firmware" && out.empty()) {
            firmware = true;
        } else if (line == "start" || StartsWith(line, "> ") || StartsWith(line, ">> ") ||
                   StartsWith(line, "wait ")) {
            out.emplace_back(number, line);
        } else if (out.empty()) {
            std::cerr << file << ":" << number << ": a block starts with start, >, >> or wait\n";
            return false;
        } else if (!ParseAction(line, out.back())) {
            Block& b = out.back();
            if (StartsWith(line, "wire< ") && !firmware) {
                (b.answers.empty() ? b.unasked : b.answers.back())
                    .push_back(ParseAnswer(line.substr(6)));
                return true;
            }
            b.answers.resize(b.answers.size() + StartsWith(line, "wire> "));
            b.timed = b.timed || StartsWith(line, "took: ");
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
        const std::size_t arrow = StartsWith(line, "row ") ? std::string::npos : line.find(" → ");
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

// The two lists side by side: "  " for lines in both, "- " expected only, "+ " actual only.
void Difference(const std::vector<std::string>& e, const std::vector<std::string>& a) {
    std::vector<std::vector<int>> l(e.size() + 1, std::vector<int>(a.size() + 1));
    for (std::size_t i = e.size(); i-- > 0;) {
        for (std::size_t j = a.size(); j-- > 0;) {
            l[i][j] = e[i] == a[j] ? l[i + 1][j + 1] + 1 : std::max(l[i + 1][j], l[i][j + 1]);
        }
    }
    std::size_t i = 0, j = 0;
    while (i < e.size() || j < a.size()) {
        if (i < e.size() && j < a.size() && e[i] == a[j]) {
            std::cerr << "    " << e[i++] << "\n";
            ++j;
        } else if (j < a.size() && (i == e.size() || l[i][j + 1] >= l[i + 1][j])) {
            std::cerr << "  + " << a[j++] << "\n";
        } else {
            std::cerr << "  - " << e[i++] << "\n";
        }
    }
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
        for (const std::string& typed : r.setup) {
            player.play(Headed(0, typed), true);
        }
        std::vector<std::string> actual = player.play(Case(r, fault));
        const Tick took = static_cast<Tick>(std::stoul(actual.back().substr(6)));
        actual.pop_back();
        // The wire is the other transcripts' to show, and the message line's clearing and the
        // blinking depend on where a case starts.
        std::erase_if(actual, [](const std::string& l) {
            return StartsWith(l, "wire") || l == "msg:" || StartsWith(l, "blinks:");
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
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const Block& b = blocks[i];
        if (i == 0 && b.head != "start") {
            player.play(Block(0, "start"), true);
        }
        const std::vector<std::string> actual = player.play(b);
        if (actual != b.expected) {
            std::cerr << file << ":" << b.line << ": " << b.head << "\n";
            Difference(b.expected, actual);
            ++failures;
        }
    }
    if (blocks.empty()) {
        player.play(Block(0, "start"), true);
    }
    for (const Row& r : rows) {
        failures += PlayRow(file, r, outcomes, player);
    }
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
