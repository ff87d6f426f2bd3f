#include <cstdint>

#include "core/console.h"
#include "interpreter/tail.h"
#include "linecommands/line_commands.h"
#include "modem/frame.h"
#include "modem/status_text.h"

namespace i2ct {
namespace {

constexpr std::uint8_t kPullupRequest = 0x21;
constexpr std::uint8_t kLineWriteRequest = 0x31;
constexpr std::uint8_t kLineReadRequest = 0x32;

// One member of the GET family: which state byte is read and which bit of it is shown.
struct StateRead {
    std::uint8_t request;
    std::uint8_t answer;
    std::uint8_t mask;
    const char* high;
    const char* low;
    const char* resultPrefix;
    const char* failure;
};

void readState(Program& p, const StateRead& read) {
    PutRequest(p, read.request);
    SendFrame(p);
    if (!ReceiveFrame(p) || p.frame[0] != read.answer) {
        ShowError(p, read.failure);
        return;
    }
    const bool set = (p.frame[2] & read.mask) != 0;
    PrintLine(p, Text(read.resultPrefix) + (set ? read.high : read.low), LineKind::Result);
}

// One member of the line SET family: how its bit is raised and lowered in the line-state byte.
struct LineWrite {
    std::uint8_t raise;  // OR-ed in for "1"
    std::uint8_t lower;  // AND-ed for "0"; bits 3 to 7 go with it
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
    PutRequest(p, kLineReadRequest);
    SendFrame(p);
    if (!ReceiveFrame(p)) {
        return;
    }
    if (p.frame[0] != kAnswerBus) {
        ShowError(p, "Fehler beim Setzen der I2C-Signale");
        return;
    }
    // The line-state byte of the reply stands where the write request carries its data byte, so
    // the other lines go back to the modem as they were.
    p.frame[2] = high ? static_cast<std::uint8_t>(p.frame[2] | write.raise)
                      : static_cast<std::uint8_t>(p.frame[2] & write.lower);
    p.frame[0] = kLineWriteRequest;
    p.frame[1] = 1;
    p.frame[3] = kEndByte;
    SendFrame(p);
    if (!ReceiveFrame(p)) {
        return;
    }
    if (p.frame[0] == kAnswerBus) {
        PrintLine(p, Text("!SET ") + write.name + " > OK", LineKind::Result);
    } else {
        PrintLine(p, Text("!SET ") + write.name + "  Fehler: " + StatusText(p.frame[2]),
                  LineKind::Result);
    }
}

}  // namespace

void GetInt(Program& p) {
    readState(p, {kLineReadRequest, kAnswerBus, 0x04, "1", "0", "!GET INT > ",
                  "Fehler beim Auslesen der I2C-INT Leitung"});
}

void GetScl(Program& p) {
    readState(p, {kLineReadRequest, kAnswerBus, 0x02, "1", "0", "!GET SCL > ",
                  "Fehler beim Auslesen der I2C-SCL Leitung"});
}

void GetSda(Program& p) {
    readState(p, {kLineReadRequest, kAnswerBus, 0x01, "1", "0", "!GET SDA > ",
                  "Fehler beim Auslesen der I2C-SDA Leitung"});
}

void GetPullup(Program& p) {
    readState(p, {kPullupRequest, kAnswerConfig, 0x80, "EIN", "AUS", "!PULLUP > ",
                  "Fehler beim Auslesen des PULLUP-Stand"});
}

void SetInt(Program& p) {
    writeLine(p, {0x04, 0x03, "?SET INT ", "Wie soll INT gesetzt werden, 0 oder 1?", "INT"});
}

void SetScl(Program& p) {
    writeLine(p, {0x02, 0x05, "?SET SCL", "Wie soll SCL gesetzt werden, 0 oder 1?", "SCL"});
}

void SetSda(Program& p) {
    writeLine(p, {0x01, 0x06, "?SET SDA ", "Wie soll SDA gesetzt werden, 0 oder 1?", "SDA"});
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
    PutRequest(p, kPullupRequest, {static_cast<std::uint8_t>(argument == "EIN" ? 0x01 : 0x00)});
    SendFrame(p);
    if (!ReceiveFrame(p)) {
        return;
    }
    if (p.frame[0] == kAnswerConfig) {
        PrintLine(p, "!PULLUP > OK", LineKind::Result);
    } else {
        PrintLine(p, "!PULLUP  Fehler: " + StatusText(p.frame[2]), LineKind::Result);
    }
}

}  // namespace i2ct
