#include <algorithm>

#include "core/console.h"
#include "interpreter/hex.h"
#include "interpreter/tail.h"
#include "linecommands/line_commands.h"
#include "modem/frame.h"
#include "modem/operations.h"
#include "modem/status_text.h"

namespace i2ct {
namespace {

constexpr std::uint8_t kNoFilter = 0x41;
constexpr std::uint8_t kNoData = 0x43;
constexpr std::size_t kDumpBytes = 16;
constexpr std::uint32_t kSliceMs = 100;
// Waits of kSliceMs that let the window show the button or the end before going on.
constexpr int kSettleWaits = 11;
constexpr int kWaitsAfterDump = 20;
constexpr int kWaitsAfterPass = 4;

// A pair of filter digits: hex digits from its first character up to the first one that is not
// a digit, so a pair beginning with a blank is 0.
std::uint8_t pairValue(std::string_view pair) {
    unsigned value = 0;
    for (char c : pair) {
        const char u = upperCase(c);
        if (u >= '0' && u <= '9') {
            value = value * 16 + static_cast<unsigned>(u - '0');
        } else if (u >= 'A' && u <= 'F') {
            value = value * 16 + static_cast<unsigned>(u - 'A' + 10);
        } else {
            break;
        }
    }
    return static_cast<std::uint8_t>(value);
}

// The data bytes of a timed answer, upper-case hex without leading zeros, each with a blank.
Text answerBytes(const OpResult& r) {
    Text text;
    for (std::uint8_t b : r.data) {
        text += HexShortText(b) + " ";
    }
    return text;
}

// A proper status reply, 49 01 code 04, with this code.
bool isStatus(const OpResult& r, std::uint8_t code) {
    return r.status == OpStatus::Refused && r.data.size() == 1 && r.code == code;
}

void timedListening(Program& p, std::uint8_t time) {
    const OpResult r = ListenFor(p, time);
    if (r.ok()) {
        PrintLine(p, "!LISTEN > " + answerBytes(r), LineKind::Result);
    } else if (isStatus(r, kNoData)) {
        PrintLine(p, "?LISTEN > Keine Daten zur Adresse vorhanden", LineKind::Result);
    } else if (isStatus(r, kNoFilter)) {
        PrintLine(p, cp1252("?LISTEN > Es wurde kein gültiger Filter gesetzt"), LineKind::Result);
    } else if (r.status == OpStatus::Incomplete) {
        PrintLine(p, cp1252("!LISTEN I2C-Fehler! Daten sind unvollständig! > ") + answerBytes(r),
                  LineKind::Result);
    } else if (r.status == OpStatus::Refused) {
        PrintLine(p, "!LISTEN  Fehler: " + StatusText(r.code), LineKind::Result);
    }
}

// One wait of open-ended listening; true when the STOP button was clicked meanwhile.
bool stopClicked(Program& p) {
    return p.ports.events.waitEvent(kSliceMs, WaitPolicy::Listen, {}) == WindowEvent::StopButton;
}

bool stopClickedInAny(Program& p, int waits) {
    bool stop = false;
    for (int i = 0; i < waits; ++i) {
        stop = stopClicked(p) || stop;
    }
    return stop;
}

// Waits of kSliceMs in which the window repaints and every input is dropped.
void settle(Program& p, int waits) {
    for (int i = 0; i < waits; ++i) {
        CommandWait(p, kSliceMs);
    }
}

// Starts listening; false (with the reason printed) when the modem does not acknowledge.
bool acknowledged(Program& p) {
    const OpResult r = StartListening(p);
    if (r.ok()) {
        return true;
    }
    if (isStatus(r, kNoFilter)) {
        PrintLine(p, cp1252("?LISTEN > Es wurde kein gültiger Filter gesetzt"), LineKind::Result);
    } else {
        PrintLine(p, "?LISTEN > Fehler beim Starten der Funktion", LineKind::Result);
    }
    return false;
}

Text offsetText(std::uint16_t offset) {
    return HexByteText(static_cast<std::uint8_t>(offset >> 8)) +
           HexByteText(static_cast<std::uint8_t>(offset & 0xFF));
}

void openEndedListening(Program& p) {
    if (!acknowledged(p)) {
        return;
    }
    p.ports.stopButton.setVisible(true);
    // The button only takes effect once the passes run; a click while it appears is lost.
    settle(p, kSettleWaits);
    SetStatus(p, ConnectionDisplay::Bussy);
    settle(p, 1);
    bool stop = false;
    Spinner spinner;
    std::uint16_t offset = 0;
    // At most one dump line per pass, then two seconds to read it; faster traffic waits in the
    // receive queue.
    do {
        ShowMessage(p, cp1252("Modem lauscht, zum Beenden der Funktion STOP-Button drücken :  ") +
                           spinner.next());
        stop = stopClicked(p) || stop;
        if (WaitingBytes(p) >= kDumpBytes) {
            Text dump;
            for (std::uint8_t b : ListenedBytes(p, kDumpBytes)) {
                dump += HexByteText(b) + " ";
            }
            PrintLine(p, offsetText(offset) + "  " + dump, LineKind::Spaced);
            stop = stopClickedInAny(p, kWaitsAfterDump) || stop;
            offset = static_cast<std::uint16_t>(offset + kDumpBytes);
        }
        stop = stopClickedInAny(p, kWaitsAfterPass) || stop;
    } while (!stop);
    StopListening(p);
    ShowMessage(p, " ");
    SetStatus(p, ConnectionDisplay::Online);
    p.ports.stopButton.setVisible(false);
    settle(p, kSettleWaits);
    PrintLine(p, "!LISTEN - ENDE ", LineKind::Spaced);
    PrintLine(p, Text{}, LineKind::Result);
}

}  // namespace

void SetFilter(Program& p) {
    p.LastExchangeTime = p.ports.clock.ticks();
    Text& tail = p.commandTail;
    DropFirstWord(tail);
    if (CheckHexChars(tail) > 0 || tail.size() != 4) {
        PrintLine(p, "?SET FILTER ", LineKind::Echo);
        ShowError(p, " Adresse nicht erkannt");
        return;
    }
    const OpResult r = i2ct::SetFilter(
        p, SlaveAddress{pairValue(tail.substr(2, 2)), pairValue(tail.substr(0, 2))});
    if (r.ok()) {
        PrintLine(p, "!SET FILTER > OK ", LineKind::Result);
    } else {
        // After a timeout the buffer is all zero and reports StatusCode 0.
        PrintLine(p, "!SET FILTER  Fehler: " + StatusText(r.code), LineKind::Result);
    }
}

void Listen(Program& p) {
    p.LastExchangeTime = p.ports.clock.ticks();
    Text& argument = p.commandTail;
    DropFirstWord(argument);
    if (const std::size_t offending = CheckHexChars(argument); offending > 0) {
        PrintLine(p, "?   " + Text(offending - 1, ' ') + "^", LineKind::Spaced);
        PrintLine(p, "?LISTEN " + argument.substr(0, offending - 1), LineKind::Echo);
        ShowError(p, cp1252(" An der Stelle  ^ steht ein nicht zulässiges Zeichen!"));
        return;
    }
    // Hex letters pass the character check but read as no digits, so FF listens open-ended.
    const std::int32_t value = ReadInteger(argument);
    if (argument.size() > 3 || argument.empty() || value > 255 || value < 0) {
        PrintLine(p, "?LISTEN ", LineKind::Echo);
        ShowError(p, " minimale Zeit = 0 / maximale Zeit = 255");
        return;
    }
    if (value == 0) {
        openEndedListening(p);
    } else {
        timedListening(p, static_cast<std::uint8_t>(value));
    }
}

}  // namespace i2ct
