#include "batch/session.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "core/console.h"
#include "interpreter/hex.h"
#include "interpreter/tail.h"
#include "modem/connection.h"

namespace i2ct::batch {
namespace {

constexpr std::string_view kReadResult = "!RD > ";
// Addresses 0x00 to 0x02 and 0x78 to 0x7F are reserved by the bus; i2cdetect leaves them alone.
constexpr int kFirstProbed = 0x03;
constexpr int kLastProbed = 0x77;
constexpr int kDumpRow = 16;
constexpr std::uint32_t kLongestSleepMs = 24 * 3600 * 1000;

// Whether the modem operations since the last look failed, refused by their argument checks,
// by the modem, or without an answer; the first failure, if any, goes into the outcome.
bool Refused(OperationLog& log, Outcome& o) {
    o.failure = log.failure ? log.failure->status : OpStatus::Done;
    log.clearFailure();
    return o.failure != OpStatus::Done;
}

// Hex pairs separated by single blanks, as WR takes them and RD shows them; false otherwise.
bool ParseBytes(std::string_view text, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    if (text.empty() || CheckHexChars(text) != 0) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); i += 3) {
        if (i + 2 > text.size() || (i + 2 < text.size() && text[i + 2] != ' ') || text[i] == ' ' ||
            text[i + 1] == ' ') {
            return false;
        }
        bytes.push_back(HexByteValue(std::string_view(text).substr(i)));
    }
    return true;
}

Text BytesText(const std::vector<std::uint8_t>& bytes) {
    Text text;
    for (std::uint8_t b : bytes) {
        if (!text.empty()) {
            text += ' ';
        }
        text += HexByteText(b);
    }
    return text;
}

// An address in the program's form, "0072": the address byte, read bit included, behind the
// second address byte.
bool ParseAddress(const Text& text, std::uint8_t& high, std::uint8_t& low) {
    if (text.size() != 4 || CheckHexChars(text) != 0 || text.find(' ') != Text::npos) {
        return false;
    }
    high = HexByteValue(text);
    low = HexByteValue(std::string_view(text).substr(2));
    return true;
}

Outcome Refusal(const Text& echo, const Text& error) {
    return Outcome{{echo}, {{error, true}}, true};
}

const Text kColumns = "     0  1  2  3  4  5  6  7  8  9  A  B  C  D  E  F";

}  // namespace

const std::vector<const char*>& CommandWords() {
    static const std::vector<const char*> kWords = {
        "GET",    "SET",   "WR",        "WRITE",   "RD",         "READ",   "LISTEN",
        "LIS",    "LDTB",  "LOADTABLE", "CLTB",    "CLEARTABLE", "CHKINT", "CHECKINTERUPT",
        "SCAN",   "DUMP",  "EXPECT",    "SLEEP",   "INT",        "SDA",    "SCL",
        "PULLUP", "SPEED", "FILTER",    "VERSION", "EIN",        "AUS"};
    return kWords;
}

WindowEvent SessionWaits::waitEvent(std::uint32_t timeoutMs, WaitPolicy policy, LineWatch line) {
    if (policy == WaitPolicy::Listen) {
        session_.showLive();
    }
    return LineWaits::waitEvent(timeoutMs, policy, line);
}

Session::Session(Clock& clock, LibraryLoader& libraries, SerialPorts& serialPorts,
                 std::function<void(const Text&)> live)
    : events_(clock, *this),
      terminal_(Ports{clock, events_, output_, status_, messages_, stop_, help_, dialog_, opener_,
                      libraries, serialPorts}),
      live_(std::move(live)) {
    events_.watch(terminal_.program().port);
}

void Session::showLive() {
    // The lines above the console's current line are finished; the current one may still grow.
    for (; shown_ < terminal_.program().CurrentLine; ++shown_) {
        if (const Text line = output_.get(shown_); line != prompt()) {
            live_(line);
        }
    }
}

Outcome Session::start() {
    terminal_.startUp();
    Outcome o = since(0);
    const Program& p = terminal_.program();
    // A modem whose port does not open, or that does not answer, is as good as none.
    o.failed = o.failed || !p.ModemFound || !p.PortOpen;
    online_ = !o.failed;
    return o;
}

void Session::dropDeadPort() {
    Program& p = terminal_.program();
    if (p.port) {
        p.port->waiting();
    }
    if (p.port && p.port->dead()) {
        DropConnection(p);
    }
}

Outcome Session::settled(LineIndex from) {
    Outcome o = since(std::max<LineIndex>(from, 0));
    const Program& p = terminal_.program();
    const bool online = p.ModemFound && p.port && !p.port->dead();
    if (online != online_) {
        online_ = online;
        o.status = online ? "Online" : "Offline";
    }
    return o;
}

Session::IdleWait Session::idleWait() {
    Program& p = terminal_.program();
    const int port = p.port ? p.port->arrivalDescriptor() : -1;
    return {terminal_.nextDeadlineIn(), port, p.InterruptWatch};
}

Outcome Session::idle(bool portStirred) {
    Program& p = terminal_.program();
    const LineIndex from = output_.count();
    dropDeadPort();
    if (portStirred && p.port && !p.InterruptWatch) {
        // Not hung up, yet not quiet either: the keep-alive's check tells, now.
        p.LastExchangeTime = p.ports.clock.ticks();
        SuperviseConnection(p);
    } else {
        events_.wakeAfter(0);
        terminal_.runPass();
    }
    Outcome o = settled(from);
    o.failed = false;
    return o;
}

Outcome Session::since(LineIndex from) {
    Outcome o;
    for (LineIndex i = from; i < output_.count(); ++i) {
        if (Text line = output_.get(i); line != prompt()) {
            o.lines.push_back(std::move(line));
        }
    }
    o.messages = messages_.take();
    o.failed = Refused(terminal_.program().operations, o);
    return o;
}

Outcome Session::type(const Text& line) {
    Program& p = terminal_.program();
    // Each command starts on a line of its own behind the prompt, also after an echo line,
    // behind which the window's user would type on. An empty area has an empty last line.
    if (output_.get(output_.count() - 1) != p.PromptChar) {
        output_.append(p.PromptChar);
        RefreshSnapshot(p);
    }
    const LineIndex typed = output_.count() - 1;
    output_.moveToEndOfLine(typed);
    output_.type(line + "\n");
    events_.post(WindowEvent::OutputArea);
    shown_ = typed + 1;
    terminal_.runPass();
    return since(shown_);
}

Outcome Session::run(const Text& line) {
    Program& p = terminal_.program();
    LineIndex from = output_.count();
    dropDeadPort();
    if (!p.ModemFound || !p.port) {
        p.ModemFound = false;
        ReconnectModem(p);
        p.LastExchangeTime = p.ports.clock.ticks();
    }
    // The reconnection prints no console lines, only its messages and status.
    const Outcome before = settled(from);
    const bool connected = p.port && !p.port->dead();
    Outcome o = command(line);
    from = output_.count();
    dropDeadPort();
    Outcome after = settled(from);
    o.failed = o.failed || (connected && !p.port);
    o.messages.insert(o.messages.begin(), before.messages.begin(), before.messages.end());
    o.status = !after.status.empty() ? after.status : before.status;
    return o;
}

Outcome Session::command(const Text& line) {
    Text arguments = line;
    RemoveLeadingBlanks(arguments);
    const Text word = upperCase(FirstWord(arguments));
    arguments.erase(0, word.size());
    RemoveLeadingBlanks(arguments);
    if (word == "SCAN") {
        return arguments.empty() ? scan() : Refusal("?SCAN ", "SCAN hat keine Argumente");
    }
    if (word == "DUMP") {
        return dump(arguments);
    }
    if (word == "EXPECT") {
        return expect(arguments);
    }
    if (word == "SLEEP") {
        return sleep(arguments);
    }
    Outcome o = type(line);
    if ((word == "RD" || word == "READ") && !o.lines.empty() &&
        o.lines.front().starts_with(kReadResult)) {
        read_ = ParseBytes(std::string_view(o.lines.front()).substr(kReadResult.size()), lastRead_);
    }
    return o;
}

bool Session::read(const Text& address, int count, std::vector<std::uint8_t>& bytes, Outcome& why) {
    why = type("RD " + address + " " + HexByteText(static_cast<std::uint8_t>(count)));
    return !why.failed && !why.lines.empty() && why.lines.front().starts_with(kReadResult) &&
           ParseBytes(std::string_view(why.lines.front()).substr(kReadResult.size()), bytes);
}

Outcome Session::scan() {
    Outcome o;
    std::vector<int> found;
    std::vector<std::uint8_t> bytes;
    o.lines.push_back(kColumns);
    Text row;
    for (int address = 0; address < 0x80; ++address) {
        if (address % 16 == 0) {
            row = HexByteText(static_cast<std::uint8_t>(address)) + ":";
        }
        Text cell = "  ";
        if (address >= kFirstProbed && address <= kLastProbed) {
            // A one-byte read is the safest probe: this modem cannot address a device without
            // moving data, and a write would change the device.
            Outcome why;
            const auto readForm = static_cast<std::uint8_t>(address << 1 | 1);
            if (read("00" + HexByteText(readForm), 1, bytes, why)) {
                found.push_back(address);
                cell = HexByteText(static_cast<std::uint8_t>(address));
            } else if (why.failure == OpStatus::Refused) {
                cell = "--";
            } else {
                return why;  // no answer: the bus was not scanned
            }
        }
        row += " " + cell;
        if (address % 16 == 15) {
            o.lines.push_back(row.substr(0, row.find_last_not_of(' ') + 1));
        }
    }
    if (!found.empty()) {
        o.lines.push_back("Adresse  7-Bit");
    }
    for (int address : found) {
        o.lines.push_back("00" + HexByteText(static_cast<std::uint8_t>(address << 1)) + "     " +
                          HexByteText(static_cast<std::uint8_t>(address)));
    }
    o.lines.push_back(cp1252("!SCAN > ") + std::to_string(found.size()) +
                      cp1252(" Geräte gefunden"));
    o.messages = messages_.take();
    return o;
}

Outcome Session::dump(const Text& arguments) {
    const Text addressText = FirstWord(arguments);
    Text countText = arguments.substr(addressText.size());
    RemoveLeadingBlanks(countText);
    std::uint8_t high = 0;
    std::uint8_t low = 0;
    int count = 0x100;
    if (!countText.empty()) {
        count = countText.size() <= 3 && CheckHexChars(countText) == 0 &&
                        countText.find(' ') == Text::npos
                    ? static_cast<int>(std::stoul(countText, nullptr, 16))
                    : 0;
    }
    if (!ParseAddress(addressText, high, low) || count < 1 || count > 0x100) {
        return Refusal("?DUMP ", cp1252("Adresse oder Anzahl nicht erkannt (DUMP 0072 [1..100])"));
    }
    const Text device = HexByteText(high);
    // The register address 00 goes first; the reads then go on from there.
    Outcome why = type("WR " + device + HexByteText(low & 0xFE) + " 00");
    if (why.failed) {
        return why;
    }
    Outcome o;
    o.lines.push_back(kColumns + "    0123456789ABCDEF");
    std::vector<std::uint8_t> bytes;
    for (int offset = 0; offset < count; offset += kDumpRow) {
        const int n = std::min(kDumpRow, count - offset);
        if (!read(device + HexByteText(low | 0x01), n, bytes, why)) {
            return why;
        }
        Text hex;
        Text ascii;
        for (int i = 0; i < kDumpRow; ++i) {
            const bool there = i < static_cast<int>(bytes.size());
            const std::uint8_t b = there ? bytes[static_cast<std::size_t>(i)] : 0;
            hex += ' ';
            hex += there ? HexByteText(b) : Text("  ");
            ascii += there ? (b >= 0x20 && b < 0x7F ? static_cast<char>(b) : '.') : ' ';
        }
        const Text line =
            HexByteText(static_cast<std::uint8_t>(offset)) + ":" + hex + "    " + ascii;
        o.lines.push_back(line.substr(0, line.find_last_not_of(' ') + 1));
    }
    o.messages = messages_.take();
    return o;
}

Outcome Session::expect(const Text& arguments) {
    std::vector<std::uint8_t> expected;
    if (!ParseBytes(arguments, expected)) {
        return Refusal("?EXPECT ", "Erwartete Daten nicht erkannt (EXPECT 03 9E)");
    }
    if (!read_) {
        return Outcome{{"?EXPECT > Es wurde noch nichts gelesen"}, {}, true};
    }
    if (expected != lastRead_) {
        return Outcome{
            {"?EXPECT > gelesen: " + BytesText(lastRead_) + ", erwartet: " + BytesText(expected)},
            {},
            true};
    }
    return Outcome{{"!EXPECT > OK"}, {}, false};
}

Outcome Session::sleep(const Text& arguments) {
    if (arguments.empty() || arguments.size() > 8 ||
        arguments.find_first_not_of("0123456789") != Text::npos ||
        std::stoul(arguments) > kLongestSleepMs) {
        return Refusal("?SLEEP ", "Wartezeit in ms nicht erkannt (SLEEP 500)");
    }
    const auto ms = static_cast<std::uint32_t>(std::stoul(arguments));
    Clock& clock = terminal_.program().ports.clock;
    const LineIndex from = output_.count() - 1;
    // The loop runs meanwhile: the keep-alive, and interrupt events while they are watched.
    const Tick start = clock.ticks();
    for (Tick passed = 0; passed < ms; passed = clock.ticks() - start) {
        events_.wakeAfter(ms - passed);
        terminal_.runPass();
    }
    return since(std::max<LineIndex>(from, 0));
}

}  // namespace i2ct::batch
