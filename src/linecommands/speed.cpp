#include "core/console.h"
#include "interpreter/tail.h"
#include "linecommands/line_commands.h"
#include "modem/bus_clock.h"
#include "modem/operations.h"
#include "modem/status_text.h"

namespace i2ct {
namespace {

void refuseSpeed(Program& p, const Text& prompt) {
    PrintLine(p, "?SET SPEED ", LineKind::Echo);
    ShowMessage(p, prompt);
}

}  // namespace

void GetSpeed(Program& p) {
    const OpResult r = ReadBusClock(p);
    if (r.ok()) {
        PrintLine(p, "!I2C-Speed (Hz): " + std::to_string(p.busClock), LineKind::Result);
    } else {
        PrintLine(p, "!I2C-Speed Fehler : " + StatusText(r.code), LineKind::Result);
    }
}

void SetSpeed(Program& p) {
    Text& tail = p.commandTail;
    DropFirstWord(tail);
    if (tail.size() < 2) {
        refuseSpeed(p, cp1252("Wählen Sie eine Taktfrequenz (40 Hz - 350000 Hz) "));
        return;
    }
    const std::int32_t hertz = ReadInteger(tail);
    if (hertz > kHighestBusClock) {
        refuseSpeed(p, cp1252("Taktfrequenz zu groß!    Maximaler Wert 350000 (Hz)) "));
        return;
    }
    if (hertz < kLowestBusClock) {
        refuseSpeed(p, "Taktfrequenz zu gering!    Minimaler Wert 40 (Hz)) ");
        return;
    }
    if (SetBusClock(p, hertz).ok()) {
        // The modem may round the clock; GET SPEED shows the one it really uses.
        GetSpeed(p);
    } else {
        PrintLine(p, "!SET SPEED  Fehler beim Einstellen der Frequenz", LineKind::Result);
    }
}

}  // namespace i2ct
