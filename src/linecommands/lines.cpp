#include <cstdint>

#include "core/console.h"
#include "interpreter/tail.h"
#include "linecommands/line_commands.h"
#include "modem/operations.h"
#include "modem/status_text.h"

namespace i2ct {
namespace {

// One member of the GET family: which state byte is read and which bit of it is shown.
struct StateRead {
    OpResult (*operation)(Program&);
    std::uint8_t mask;
    const char* high;
    const char* low;
    const char* resultPrefix;
    const char* failure;
};

void readState(Program& p, const StateRead& read) {
    const OpResult r = read.operation(p);
    if (!r.ok()) {
        ShowError(p, read.failure);
        return;
    }
    const bool set = (r.data[0] & read.mask) != 0;
    PrintLine(p, Text(read.resultPrefix) + (set ? read.high : read.low), LineKind::Result);
}

// One member of the line SET family.
struct LineWrite {
    BusLine line;
    const char* echoLine;
    const char* prompt;
    const char* name;
};

void writeLine(Program& p, const LineWrite& write) {
    Text& tail = p.commandTail;
    RemoveAll(tail, tail.substr(0, 3));
    RemoveLeadingBlanks(tail);
    if (tail != "0" && tail != "1") {
        PrintLine(p, write.echoLine, LineKind::Echo);
        ShowMessage(p, write.prompt);
        return;
    }
    const bool high = tail == "1";
    const OpResult lines = ReadLines(p);
    if (!Answered(lines)) {
        return;
    }
    if (!lines.ok()) {
        ShowError(p, "Fehler beim Setzen der I2C-Signale");
        return;
    }
    // The other lines go back to the modem as they were.
    const OpResult r = WriteLines(p, LineState(lines.data[0], write.line, high));
    if (!Answered(r)) {
        return;
    }
    if (r.ok()) {
        PrintLine(p, Text("!SET ") + write.name + " > OK", LineKind::Result);
    } else {
        PrintLine(p, Text("!SET ") + write.name + "  Fehler: " + StatusText(r.code),
                  LineKind::Result);
    }
}

}  // namespace

void GetInt(Program& p) {
    readState(
        p, {ReadLines, 0x04, "1", "0", "!GET INT > ", "Fehler beim Auslesen der I2C-INT Leitung"});
}

void GetScl(Program& p) {
    readState(
        p, {ReadLines, 0x02, "1", "0", "!GET SCL > ", "Fehler beim Auslesen der I2C-SCL Leitung"});
}

void GetSda(Program& p) {
    readState(
        p, {ReadLines, 0x01, "1", "0", "!GET SDA > ", "Fehler beim Auslesen der I2C-SDA Leitung"});
}

void GetPullup(Program& p) {
    readState(p, {ReadPullups, 0x80, "EIN", "AUS", "!PULLUP > ",
                  "Fehler beim Auslesen des PULLUP-Stand"});
}

void SetInt(Program& p) {
    writeLine(p, {BusLine::Int, "?SET INT ", "Wie soll INT gesetzt werden, 0 oder 1?", "INT"});
}

void SetScl(Program& p) {
    writeLine(p, {BusLine::Scl, "?SET SCL", "Wie soll SCL gesetzt werden, 0 oder 1?", "SCL"});
}

void SetSda(Program& p) {
    writeLine(p, {BusLine::Sda, "?SET SDA ", "Wie soll SDA gesetzt werden, 0 oder 1?", "SDA"});
}

void SetPullup(Program& p) {
    Text& tail = p.commandTail;
    DropFirstWord(tail);
    const Text argument = upperCase(tail);
    if (argument != "EIN" && argument != "AUS") {
        PrintLine(p, "?PULLUP ", LineKind::Echo);
        ShowMessage(p, cp1252("Sollen Pullup´s ein- oder ausgeschaltet werden?"));
        return;
    }
    const OpResult r = SetPullups(p, argument == "EIN");
    if (!Answered(r)) {
        return;
    }
    if (r.ok()) {
        PrintLine(p, "!PULLUP > OK", LineKind::Result);
    } else {
        PrintLine(p, "!PULLUP  Fehler: " + StatusText(r.code), LineKind::Result);
    }
}

}  // namespace i2ct
