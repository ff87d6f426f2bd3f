#include "buscommands/bus_commands.h"

#include "buscommands/arguments.h"
#include "core/console.h"
#include "interpreter/hex.h"
#include "modem/operations.h"
#include "modem/status_text.h"

namespace i2ct {
namespace {

void reportTimeout(Program& p, const Text& resultLine) {
    PrintLine(p, resultLine, LineKind::Result);
    ShowError(p, "Timeout bei warten auf den Antwort des Modems!");
}

// The result line of a table request.
void finishTableRequest(Program& p, const Text& name, const OpResult& r) {
    if (!Answered(r)) {
        reportTimeout(p, "?" + name + " > ERROR ");
    } else if (r.ok()) {
        PrintLine(p, "!" + name + " > OK", LineKind::Result);
    } else {
        PrintLine(p, "!" + name + "  Fehler: " + StatusText(r.code), LineKind::Result);
    }
}

}  // namespace

void WriteCommand(Program& p) {
    if (BusArguments a; ParseBusArguments(p, WriteProfile(), a)) {
        const OpResult r = WriteSlave(p, a.address, a.data,
                                      cp1252("Datenübertragung zu Slave läuft bitte warten :  "));
        if (!Answered(r)) {
            reportTimeout(p, "?WR > ERROR ");
        } else if (r.ok()) {
            PrintLine(p, "!WR > OK ", LineKind::Result);
        } else {
            PrintLine(p, "!WR  Fehler: " + StatusText(r.code), LineKind::Result);
        }
    }
    // Also after a refusal: the keep-alive probe waits for a quiet line.
    p.LastExchangeTime = p.ports.clock.ticks();
}

void ReadCommand(Program& p) {
    p.LastExchangeTime = p.ports.clock.ticks();
    BusArguments a;
    if (!ParseBusArguments(p, ReadProfile(), a)) {
        return;
    }
    const OpResult r =
        ReadSlave(p, a.address, a.count, cp1252("Lesen der Daten läuft bitte warten :  "));
    if (!Answered(r)) {
        reportTimeout(p, "?RD > ERROR ");
        return;
    }
    if (!r.ok()) {
        PrintLine(p, "!RD  Fehler: " + StatusText(r.code), LineKind::Result);
        return;
    }
    Text bytes;
    for (std::uint8_t b : r.data) {
        bytes += HexByteText(b) + " ";
    }
    PrintLine(p, "!RD > " + bytes, LineKind::Result);
}

void LoadTableCommand(Program& p) {
    p.LastExchangeTime = p.ports.clock.ticks();
    BusArguments a;
    if (!ParseBusArguments(p, LoadTableProfile(), a)) {
        return;
    }
    finishTableRequest(p, "LDTB", LoadTable(p, a.address, a.count));
}

void ClearTableCommand(Program& p) {
    // Anything behind the command word is ignored.
    finishTableRequest(p, "CLTB", ClearTable(p));
}

}  // namespace i2ct
