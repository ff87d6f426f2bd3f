#include "core/console.h"
#include "interpreter/hex.h"
#include "interpreter/tail.h"
#include "linecommands/line_commands.h"
#include "modem/frame.h"
#include "modem/operations.h"
#include "modem/status_text.h"

namespace i2ct {
namespace {

constexpr Tick kBlinkMs = 750;
// Short waits that let the window show the error lines one after the other.
constexpr std::uint32_t kShowMs = 20;

void InterruptEvent(Program& p) {
    if (!ReceiveInterruptNotice(p).ok()) {
        return;
    }
    SetStatus(p, ConnectionDisplay::Bussy);
    PrintLine(p, "!BREAK on INT-Event ", LineKind::Spaced);
    ShowMessage(p, "Auf dem I2C-Bus ist ein Interupt aufgetrten!");
    const OpResult r = ReceiveInterruptData(p);
    if (!Answered(r)) {
        // Give the console its prompt back below the break line.
        PrintLine(p, Text{}, LineKind::Result);
        return;
    }
    if (r.status == OpStatus::Refused) {
        PrintLine(p, "!CHKINT ERR: " + StatusText(r.code), LineKind::Spaced);
        CommandWait(p, kShowMs);
        PrintLine(p, Text{}, LineKind::Result);
        CommandWait(p, kShowMs);
        // The modem is not told: it has given up on the event itself.
        p.InterruptWatch = false;
        SetStatus(p, ConnectionDisplay::Online);
        CommandWait(p, kShowMs);
        return;
    }
    Text text = HexShortText(r.data[1]) + HexShortText(r.data[0]) + "   Data: ";
    for (std::size_t i = 2; i < r.data.size(); ++i) {
        text += HexShortText(r.data[i]) + " ";
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
    if (const OpResult r = SetMonitoring(p, on); !r.ok()) {
        PrintLine(p, "!CHKINT ERR: " + StatusText(r.code), LineKind::Result);
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
