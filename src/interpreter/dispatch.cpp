#include "interpreter/dispatch.h"

#include "core/console.h"
#include "interpreter/tail.h"

namespace i2ct {
namespace {

void call(Handler h, Program& p) {
    if (h != nullptr) {
        h(p);
    }
}

void dispatchWord(Program& p, const CommandHandlers& h, const Text& word) {
    switch (LookUpKeyword(word)) {
        case kSet:
            DispatchSet(p, h);
            return;
        case kGet:
            DispatchGet(p, h);
            return;
        case kWr:
        case kWrite:
            call(h.write, p);
            return;
        case kRd:
        case kRead:
            call(h.read, p);
            return;
        case kListen:
        case kLis:
            call(h.listen, p);
            return;
        case kLdtb:
        case kLoadTable:
            call(h.loadTable, p);
            return;
        case kCltb:
        case kClearTable:
            call(h.clearTable, p);
            return;
        case kChkInt:
        case kCheckInterupt:
            call(h.checkInt, p);
            return;
        default:
            PrintLine(p, "?", LineKind::Echo);
            ShowError(p, cp1252("Kommando nicht erkannt! Mögliche Eingaben: SET, GET, WR, WRITE, "
                                "DR, READ "));
            return;
    }
}

}  // namespace

int LookUpKeyword(std::string_view word) {
    for (std::size_t i = 0; i + 1 < KeywordList.size(); ++i) {
        if (KeywordList[i] == word) {
            return static_cast<int>(i) + 1;
        }
    }
    return static_cast<int>(KeywordList.size());
}

void DispatchCommand(Program& p, const CommandHandlers& h) {
    p.CommandReady = false;
    Text& tail = p.commandTail;
    if (!p.PromptChar.empty() && !tail.empty() && tail.front() == p.PromptChar.front()) {
        RemoveAll(tail, p.PromptChar);
    }
    if (!tail.empty() && tail.front() == '?') {
        RemoveAll(tail, "?");
    }
    if (tail.empty()) {
        return;
    }
    const Text word = upperCase(FirstWord(tail));
    if (word.empty()) {
        return;
    }
    // Every command that passes its argument checks talks to the modem, so one that ran no
    // operation was refused before anything went out.
    const std::uint64_t before = p.operations.count;
    dispatchWord(p, h, word);
    if (p.operations.count == before) {
        p.operations.record({OpStatus::BadArgument, {}, {}});
    }
}

void DispatchSet(Program& p, const CommandHandlers& h) {
    Text& tail = p.commandTail;
    RemoveAll(tail, tail.substr(0, 3));
    if (tail.empty()) {
        PrintLine(p, "?SET ", LineKind::Echo);
        ShowMessage(p, cp1252("Was soll geändert werden?  INT, SDA, SCL, PULLUP,  SPEED  "));
        return;
    }
    RemoveLeadingBlanks(tail);
    switch (LookUpKeyword(upperCase(FirstWord(tail)))) {
        case kInt:
            call(h.setInt, p);
            return;
        case kSda:
            call(h.setSda, p);
            return;
        case kScl:
            call(h.setScl, p);
            return;
        case kPul:
        case kPullup:
            call(h.setPullup, p);
            return;
        case kSpe:
        case kSpeed:
            call(h.setSpeed, p);
            return;
        case kFilter:
        case kFil:
            call(h.setFilter, p);
            return;
        default:
            PrintLine(p, "?SET ", LineKind::Echo);
            ShowError(p, cp1252("Befehl ist ungültig! Mögliche Eingaben: INT, SDA, SCL, PULLUP, "
                                "SPEED, FILTER"));
            return;
    }
}

void DispatchGet(Program& p, const CommandHandlers& h) {
    Text& tail = p.commandTail;
    RemoveAll(tail, tail.substr(0, 3));
    RemoveLeadingBlanks(tail);
    tail = upperCase(tail);
    if (tail.empty()) {
        PrintLine(p, "?GET ", LineKind::Echo);
        ShowMessage(p, cp1252("Was wird benötigt? Die Signale INT, SDA, INT oder VERSION, PULLUP, "
                              "SPEED?"));
        return;
    }
    switch (LookUpKeyword(FirstWord(tail))) {
        case kInt:
            call(h.getInt, p);
            return;
        case kSda:
            call(h.getSda, p);
            return;
        case kScl:
            call(h.getScl, p);
            return;
        case kVer:
        case kVersion:
            call(h.getVersion, p);
            return;
        case kPul:
        case kPullup:
            call(h.getPullup, p);
            return;
        case kSpe:
        case kSpeed:
            call(h.getSpeed, p);
            return;
        default:
            PrintLine(p, "?GET ", LineKind::Echo);
            ShowError(p, cp1252("Befehl ist ungültig! Mögliche Eingaben: INT, SDA, SCL, VER, "
                                "PULLUP, SPEED "));
            return;
    }
}

}  // namespace i2ct
