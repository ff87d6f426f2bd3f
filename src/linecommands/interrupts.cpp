#include "core/console.h"
#include "interpreter/hex.h"
#include "interpreter/tail.h"
#include "linecommands/line_commands.h"
#include "modem/frame.h"
#include "modem/status_text.h"

namespace i2ct {
namespace {

constexpr std::uint8_t kMonitorRequest = 0x45;
constexpr std::uint8_t kNotification = 0x4F;
constexpr Tick kBlinkMs = 750;
constexpr std::uint32_t kEventSliceMs = 200;
// Short waits that let the window show the error lines one after the other.
constexpr std::uint32_t kShowMs = 20;
// The modem sends an event's Frames back to back; bytes missing this long never come.
constexpr Tick kEventLimitMs = 2000;
// Reading starts once this many bytes wait: a whole notification and the start of the next
// Frame, or a whole event error Frame.
constexpr std::size_t kBytesBeforeReading = 4;

// Waits until enough bytes are waiting to read on; false, with the remainder dropped and the
// user told, when they do not come in time. A slice ends as soon as the bytes are there.
bool eventBytesCame(Program& p) {
    const Tick start = p.ports.clock.ticks();
    std::size_t waiting = 0;
    do {
        CommandWait(p, kEventSliceMs, kBytesBeforeReading);
        waiting = WaitingBytes(p);
    } while (waiting < kBytesBeforeReading && p.ports.clock.ticks() - start < kEventLimitMs);
    if (waiting >= kBytesBeforeReading) {
        return true;
    }
    DropWaitingBytes(p);
    ShowError(p, cp1252("Unvollständige Interrupt-Meldung des Modems verworfen!"));
    return false;
}

void InterruptEvent(Program& p) {
    if (!eventBytesCame(p)) {
        return;
    }
    ReceiveFrame(p);
    if (p.frame[0] != kNotification) {
        // A late answer or other stray Frame: nobody waits for it any more.
        return;
    }
    SetStatus(p, ConnectionDisplay::Bussy);
    PrintLine(p, "!BREAK on INT-Event ", LineKind::Spaced);
    ShowMessage(p, "Auf dem I2C-Bus ist ein Interupt aufgetrten!");
    if (!eventBytesCame(p)) {
        // Give the console its prompt back below the break line.
        PrintLine(p, Text{}, LineKind::Result);
        return;
    }
    ReceiveFrame(p);
    if (p.frame[0] == kStatusReply) {
        PrintLine(p, "!CHKINT ERR: " + StatusText(p.frame[2]), LineKind::Spaced);
        CommandWait(p, kShowMs);
        PrintLine(p, Text{}, LineKind::Result);
        CommandWait(p, kShowMs);
        // The modem is not told: it has given up on the event itself.
        p.InterruptWatch = false;
        SetStatus(p, ConnectionDisplay::Online);
        CommandWait(p, kShowMs);
        return;
    }
    Text text = HexShortText(p.frame[3]) + HexShortText(p.frame[2]) + "   Data: ";
    const int length = signedByte(p.frame[1]);
    for (int i = 4; i <= length + 1; ++i) {
        text += HexShortText(p.frame[static_cast<std::size_t>(i)]) + " ";
    }
    PrintLine(p, "!CHKINT Addr: " + text, LineKind::Spaced);
    PrintLine(p, Text{}, LineKind::Result);
}

}  // namespace

void CheckInt(Program& p) {
    Text& tail = p.commandTail;
    DropFirstWord(tail);
    const Text argument = upperCase(tail);
    if (argument != "EIN" && argument != "AUS") {
        PrintLine(p, "?CHKINT ", LineKind::Echo);
        ShowMessage(p, cp1252("Soll die INT Überwachung ein- oder ausgeschaltet werden?"));
        return;
    }
    const bool on = argument == "EIN";
    PutRequest(p, kMonitorRequest, {static_cast<std::uint8_t>(on ? 0x01 : 0x00)});
    SendFrame(p);
    if (!ReceiveFrame(p) || p.frame[0] != kAnswerTable) {
        PrintLine(p, "!CHKINT ERR: " + StatusText(p.frame[2]), LineKind::Result);
        return;
    }
    if (on) {
        PrintLine(p, "CHKINT EIN > OK", LineKind::Result);
        p.InterruptWatch = true;
        p.BlinkTime = p.ports.clock.ticks();
    } else {
        PrintLine(p, "CHKINT AUS > OK", LineKind::Result);
        p.InterruptWatch = false;
        SetStatus(p, ConnectionDisplay::Online);
    }
}

void MonitorInterrupts(Program& p) {
    const Tick now = p.ports.clock.ticks();
    if (now - p.BlinkTime > kBlinkMs) {
        p.BlinkTime = now;
        // The phase carries over from one monitoring period to the next.
        p.ports.status.setBackground(p.BlinkPhase ? colour::kGreen : colour::kYellow);
        p.BlinkPhase = !p.BlinkPhase;
    }
    if (WaitingBytes(p) >= kFrameStartBytes) {
        InterruptEvent(p);
    }
}

std::uint32_t BlinkDueIn(Program& p) {
    return MsUntilMoreThan(p.ports.clock.ticks(), p.BlinkTime, kBlinkMs);
}

}  // namespace i2ct
