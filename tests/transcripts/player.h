#pragma once
// Plays blocks of a transcript (see docs/transcripts.md) against the whole terminal on virtual
// time and reports what happened in the transcript's own lines: the runner compares them, the
// fuzz targets and the soak drive the terminal with it.

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sstream>

#include "app/terminal.h"
#include "core/console.h"
#include "rig.h"
#include "sim/control.h"
#include "sim/virtual_link.h"

namespace i2ct::test {

using Bytes = std::vector<std::uint8_t>;

// Every command of the help text with right arguments, separated by "|": what the fuzz targets
// and the soak type.
inline constexpr std::string_view kCommands =
    "SET INT 0|SET SDA 1|SET SCL 0|SET PULLUP EIN|SET PULLUP AUS|SET SPEED 1500|SET SPEED 40|"
    "SET FILTER 0074|GET INT|GET SDA|GET SCL|GET PULLUP|GET SPEED|GET VERSION|WR 0072 DF 03 9E|"
    "WRITE 00A0 00 10 41|RD 0073 08|READ 0091 02|LISTEN 2|LIS 30|LISTEN 0|LDTB 0041 01|"
    "LOADTABLE 0073 4|CLTB|CLEARTABLE|CHKINT EIN|CHKINT AUS|CHECKINTERUPT EIN";

inline const std::string kBlank = "\u2423";      // ␣
inline const std::string kEmptyLine = "\u00B6";  // ¶ for an empty console line

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
    bool raw = false;  // the typed text is Windows-1252 as it is, not a transcript's UTF-8
};

inline std::vector<std::string> Split(const std::string& s, const std::string& by) {
    std::vector<std::string> parts;
    for (std::size_t at = 0, next;; at = next + by.size()) {
        next = s.find(by, at);
        parts.push_back(s.substr(at, next - at));
        if (next == std::string::npos) {
            return parts;
        }
    }
}

inline std::vector<std::string> Words(const std::string& s) {
    std::istringstream in(s);
    std::vector<std::string> w;
    for (std::string x; in >> x;) w.push_back(x);
    return w;
}

// Windows-1252 text as a transcript shows it: blanks at either end and runs of blanks as ␣.
inline std::string Visible(const Text& text) {
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

inline Text Typed(std::string s) {
    for (std::size_t at; (at = s.find(kBlank)) != std::string::npos;) {
        s.replace(at, kBlank.size(), " ");
    }
    return cp1252(s);
}

inline std::string HexLine(const Bytes& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string s;
    for (std::uint8_t b : bytes) {
        s += std::string(s.empty() ? "" : " ") + digits[b >> 4] + digits[b & 15];
    }
    return s;
}

// "[+N] HEX..." of a wire< line.
inline Answer ParseAnswer(const std::string& rest) {
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
        rig_.status = {};
        rig_.stop = {};
        answers_ = &b.answers;
        request_ = 0;
        silent_ = !firmware_ && !healthy;
        rig_.bench.firmware().setSilent(silent_);
        for (const Answer& a : b.unasked) send(t0 + a.delay, a.bytes);
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
        } else if (b.head.starts_with("wait")) {
            const Tick end = t0 + static_cast<Tick>(std::stoul(b.head.substr(4)));
            rig_.time.at(end, WindowEvent::None);  // wakes the sleeping loop
            while (rig_.time.ticks() < end && pass()) {
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
            const Text typed = b.raw ? b.head.substr(2) : Typed(b.head.substr(fresh ? 2 : 3));
            typed_ = false;
            rig_.time.at(t0, WindowEvent::OutputArea, [this, &area, typed] {
                area.type(typed + "\n");
                typed_ = true;
            });
            // Watched, a STOP click left over from the command before may come first.
            for (int i = 0; i < (watched_ ? 3 : 1) && !typed_; ++i) pass();
        }
        const std::vector<Text> all = rig_.lines();
        while (b.head[0] != '>' && from < before.size() && from < all.size() &&
               before[from] == all[from]) {
            ++from;
        }
        std::vector<std::string> out = wire();
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
        if (!rig_.stop.shown.empty()) {
            out.push_back("stop:" + rig_.stop.shown);
        }
        if (b.timed) {
            out.push_back("took: " + std::to_string(rig_.time.ticks() - t0));
        }
        return out;
    }

    std::string status = "Online green";  // what the status field shows now
    Rig& rig() { return rig_; }

    // For fuzzing: from 5 s into a pass STOP is clicked every second, as a user ends an
    // open-ended LISTEN (a click while the button appears is lost); a pass that has not ended
    // after 65 s aborts, as its command hangs. The slowest command takes about 35 s.
    void watch() {
        watched_ = true;
        rig_.time.schedule(rig_.time.ticks() + 1000, [this] {
            const Tick running = rig_.time.ticks() - started_;
            if (busy_ && running > 65000) {
                std::fprintf(stderr, "a pass has not ended after %u ms\n", running);
                std::abort();
            }
            if (busy_ && running >= 5000) {
                rig_.time.at(rig_.time.ticks(), WindowEvent::StopButton);
            }
            watch();
        });
    }

    std::unique_ptr<SerialPort> open(const Text& definition) override {
        auto port = rig_.bench.open(definition);
        return port ? std::make_unique<LoggedPort>(std::move(port), wire_) : nullptr;
    }

  private:
    bool pass() {
        started_ = rig_.time.ticks();
        busy_ = true;
        const bool on = terminal_.runPass();
        busy_ = false;
        return on;
    }

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
            if (!written && firmware_) {
                out.push_back("wire< " + HexLine(bytes));
            }
            // Cuts a run of writes into its Frames; a raw byte stays a line of its own.
            for (std::size_t at = 0, n = 0; written && at < bytes.size(); at += n) {
                n = bytes.size() - at;
                if (n >= 3 && bytes[at + 1] < 0x80 && bytes[at + 1] + 3u <= n) {
                    n = bytes[at + 1] + 3u;
                }
                out.push_back("wire> " + HexLine(Bytes(bytes.begin() + static_cast<long>(at),
                                                       bytes.begin() + static_cast<long>(at + n))));
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
    Terminal terminal_{rig_.ports(rig_.bench, *this)};
    const std::vector<std::vector<Answer>>* answers_ = nullptr;
    std::size_t request_ = 0;
    bool silent_ = false, watched_ = false, busy_ = false, typed_ = false;
    Tick started_ = 0;
};

}  // namespace i2ct::test
