#include "buscommands/bus_commands.h"

#include "buscommands/answer_wait.h"
#include "buscommands/arguments.h"
#include "core/console.h"
#include "interpreter/hex.h"
#include "modem/frame.h"
#include "modem/status_text.h"

namespace i2ct {
namespace {

constexpr int kReadCycleLimit = 10;
constexpr int kTableCycleLimit = 20;

void reportTimeout(Program& p, const Text& resultLine) {
    PrintLine(p, resultLine, LineKind::Result);
    ShowError(p, "Timeout bei warten auf den Antwort des Modems!");
}

// The answer of a table request, after the request has gone out.
void finishTableRequest(Program& p, const Text& name) {
    if (!AwaitAnswer(p, kTableCycleLimit, Text{})) {
        reportTimeout(p, "?" + name + " > ERROR ");
        return;
    }
    ReceiveFrame(p);
    if (p.frame[0] == kAnswerTable) {
        PrintLine(p, "!" + name + " > OK", LineKind::Result);
    } else {
        PrintLine(p, "!" + name + "  Fehler: " + StatusText(p.frame[2]), LineKind::Result);
    }
}

}  // namespace

void WriteCommand(Program& p) {
    p.LastExchangeTime = p.ports.clock.ticks();
    if (ParseBusArguments(p, WriteProfile())) {
        const int limit = WriteCycleLimit(p.busClock, p.frame[1]);
        SendFrame(p);
        if (!AwaitAnswer(p, limit, cp1252("Datenübertragung zu Slave läuft bitte warten :  "))) {
            reportTimeout(p, "?WR > ERROR ");
        } else {
            ReceiveFrame(p);
            if (p.frame[0] == kAnswerBus) {
                PrintLine(p, "!WR > OK ", LineKind::Result);
            } else {
                PrintLine(p, "!WR  Fehler: " + StatusText(p.frame[2]), LineKind::Result);
            }
        }
    }
    // Also after a refusal: the keep-alive probe waits for a quiet line.
    p.LastExchangeTime = p.ports.clock.ticks();
}

void ReadCommand(Program& p) {
    p.LastExchangeTime = p.ports.clock.ticks();
    if (!ParseBusArguments(p, ReadProfile())) {
        return;
    }
    SendFrame(p);
    if (!AwaitAnswer(p, kReadCycleLimit, cp1252("Lesen der Daten läuft bitte warten :  "))) {
        reportTimeout(p, "?RD > ERROR ");
        return;
    }
    ReceiveFrame(p);
    if (p.frame[0] != kAnswerBus) {
        PrintLine(p, "!RD  Fehler: " + StatusText(p.frame[2]), LineKind::Result);
        return;
    }
    Text bytes;
    const int count = signedByte(p.frame[1]);
    for (int i = 1; i <= count; ++i) {
        bytes += HexByteText(p.frame[static_cast<std::size_t>(1 + i)]) + " ";
    }
    PrintLine(p, "!RD > " + bytes, LineKind::Result);
}

void LoadTableCommand(Program& p) {
    p.LastExchangeTime = p.ports.clock.ticks();
    if (!ParseBusArguments(p, LoadTableProfile())) {
        return;
    }
    SendFrame(p);
    finishTableRequest(p, "LDTB");
}

void ClearTableCommand(Program& p) {
    // Anything behind the command word is ignored.
    PutRequest(p, 0x44);
    SendFrame(p);
    finishTableRequest(p, "CLTB");
}

}  // namespace i2ct
