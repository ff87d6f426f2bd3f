#include "linecommands/listen.h"

#include <algorithm>

#include "core/console.h"
#include "interpreter/hex.h"
#include "interpreter/tail.h"
#include "linecommands/line_commands.h"
#include "modem/frame.h"
#include "modem/status_text.h"

namespace i2ct {
namespace {

constexpr std::uint8_t kFilterRequest = 0x41;
constexpr std::uint8_t kListenRequest = 0x42;
constexpr std::uint8_t kIncompleteData = 0x4B;
constexpr std::uint8_t kNoFilter = 0x41;
constexpr std::uint8_t kNoData = 0x43;
constexpr std::size_t kAcknowledgement = 3;
constexpr std::size_t kDumpBytes = 16;
constexpr std::uint32_t kSliceMs = 100;
constexpr std::uint32_t kRepaintMs = 10;
constexpr std::uint32_t kAcknowledgementPassMs = 200;
constexpr int kAcknowledgementPasses = 10;  // passes beyond the first
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

bool isStatus(const Program& p, std::uint8_t code) {
    return p.frame[0] == kStatusReply && p.frame[1] == 1 && p.frame[2] == code;
}

// The data bytes of a timed answer, upper-case hex without leading zeros, each with a blank.
Text answerBytes(const Program& p) {
    Text text;
    const int count = signedByte(p.frame[1]);
    for (int i = 0; i < count; ++i) {
        text += HexShortText(p.frame[static_cast<std::size_t>(2 + i)]) + " ";
    }
    return text;
}

void timedListening(Program& p, std::uint8_t time) {
    PutRequest(p, kListenRequest, {time});
    SendFrame(p);
    SetStatus(p, ConnectionDisplay::Bussy);
    const int limit = ListenTickLimit(time);
    Spinner spinner;
    int passes = 0;
    std::size_t waiting = 0;
    do {
        ShowMessage(p, Text("Modem lauscht, bitte warten :  ") + spinner.next());
        AnswerStep(p, kRepaintMs, kSliceMs);
        ++passes;
        waiting = WaitingBytes(p);
    } while (waiting < 2 && passes <= limit);
    ShowMessage(p, " ");
    SetStatus(p, ConnectionDisplay::Online);
    // A late answer gets the reply wait's own 2000 ms and its timeout report.
    ReceiveFrame(p);
    if (p.frame[0] == kAnswerTable) {
        PrintLine(p, "!LISTEN > " + answerBytes(p), LineKind::Result);
    } else if (isStatus(p, kNoData)) {
        PrintLine(p, "?LISTEN > Keine Daten zur Adresse vorhanden", LineKind::Result);
    } else if (isStatus(p, kNoFilter)) {
        PrintLine(p, cp1252("?LISTEN > Es wurde kein gültiger Filter gesetzt"), LineKind::Result);
    } else if (p.frame[0] == kIncompleteData) {
        PrintLine(p, cp1252("!LISTEN I2C-Fehler! Daten sind unvollständig! > ") + answerBytes(p),
                  LineKind::Result);
    } else if (p.frame[0] == kStatusReply) {
        PrintLine(p, "!LISTEN  Fehler: " + StatusText(p.frame[2]), LineKind::Result);
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

// Waits for the modem's acknowledgement; false (with the reason printed) when it is not one.
bool acknowledged(Program& p) {
    int passes = 0;
    std::size_t waiting = 0;
    do {
        AnswerStep(p, kRepaintMs, kAcknowledgementPassMs, kAcknowledgement);
        ++passes;
        waiting = WaitingBytes(p);
    } while (waiting < 2 && passes <= kAcknowledgementPasses);
    if (waiting == kAcknowledgement) {
        for (std::size_t i = 0; i < kAcknowledgement; ++i) {
            ReadRawByte(p);
        }
        return true;
    }
    // Whatever the FrameBuffer cannot hold stays queued.
    const std::size_t kept = std::min(waiting, p.frame.size());
    for (std::size_t i = 0; i < kept; ++i) {
        p.frame[i] = ReadRawByte(p);
    }
    if (isStatus(p, kNoFilter)) {
        PrintLine(p, cp1252("?LISTEN > Es wurde kein gültiger Filter gesetzt"), LineKind::Result);
    } else {
        // A broken or late acknowledgement may still come from a modem that listens now; left
        // so, it would stream until it is unplugged and answer no request meanwhile.
        WriteRawByte(p, kEndByte);
        PrintLine(p, "?LISTEN > Fehler beim Starten der Funktion", LineKind::Result);
    }
    return false;
}

Text offsetText(std::uint16_t offset) {
    return HexByteText(static_cast<std::uint8_t>(offset >> 8)) +
           HexByteText(static_cast<std::uint8_t>(offset & 0xFF));
}

void openEndedListening(Program& p) {
    PutRequest(p, kListenRequest, {0});
    SendFrame(p);
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
            for (std::size_t i = 0; i < kDumpBytes; ++i) {
                dump += HexByteText(ReadRawByte(p)) + " ";
            }
            PrintLine(p, offsetText(offset) + "  " + dump, LineKind::Spaced);
            stop = stopClickedInAny(p, kWaitsAfterDump) || stop;
            offset = static_cast<std::uint16_t>(offset + kDumpBytes);
        }
        stop = stopClickedInAny(p, kWaitsAfterPass) || stop;
    } while (!stop);
    WriteRawByte(p, kEndByte);
    ShowMessage(p, " ");
    SetStatus(p, ConnectionDisplay::Online);
    p.ports.stopButton.setVisible(false);
    settle(p, kSettleWaits);
    PrintLine(p, "!LISTEN - ENDE ", LineKind::Spaced);
    PrintLine(p, Text{}, LineKind::Result);
}

}  // namespace

int ListenTickLimit(std::uint8_t time) {
    // Both steps are exact enough that the dropped fraction is that of the integer quotient.
    const float ticks = 52.0f * static_cast<float>(time) + 40.0f;
    return static_cast<int>(static_cast<double>(ticks) / 100.0);
}

void SetFilter(Program& p) {
    p.LastExchangeTime = p.ports.clock.ticks();
    Text& tail = p.commandTail;
    DropFirstWord(tail);
    if (CheckHexChars(tail) > 0 || tail.size() != 4) {
        PrintLine(p, "?SET FILTER ", LineKind::Echo);
        ShowError(p, " Adresse nicht erkannt");
        return;
    }
    PutRequest(p, kFilterRequest, {pairValue(tail.substr(2, 2)), pairValue(tail.substr(0, 2))});
    SendFrame(p);
    AnswerStep(p, 0, kSliceMs);
    // After a timeout the buffer is all zero and reports StatusCode 0.
    ReceiveFrame(p);
    if (p.frame[0] == kAnswerConfig) {
        PrintLine(p, "!SET FILTER > OK ", LineKind::Result);
    } else {
        PrintLine(p, "!SET FILTER  Fehler: " + StatusText(p.frame[2]), LineKind::Result);
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
