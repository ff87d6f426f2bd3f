#include "app/terminal.h"

#include <algorithm>

#include "app/commands.h"
#include "app/help_text.h"
#include "core/console.h"
#include "linecommands/line_commands.h"
#include "modem/connection.h"
#include "modem/frame.h"
#include "modem/version.h"

namespace i2ct {
namespace {

constexpr std::uint32_t kHelpWaitMs = 500;
constexpr std::uint32_t kStartPauseMs = 500;
constexpr Tick kKeepAliveMs = 3000;

}  // namespace

Terminal::Terminal(Ports ports) : program_(ports), handlers_(TerminalCommands()) {}

void Terminal::startUp() {
    Program& p = program_;
    p.ports.message.setBackground(colour::kGrey);
    p.ports.message.setText(Text{});
    SetStatus(p, ConnectionDisplay::Offline);
    LoadDriverLibrary(p);
    ConnectModem(p);
    // The modem settles meanwhile. The window paints itself, with input dropped as in a
    // command's wait; should that wait end early, the clock sleeps the rest.
    const Tick pauseStart = p.ports.clock.ticks();
    p.ports.events.waitEvent(kStartPauseMs, WaitPolicy::Command, {});
    const Tick paused = p.ports.clock.ticks() - pauseStart;
    p.ports.clock.sleep(kStartPauseMs - std::min(paused, kStartPauseMs));
    if (p.ModemFound) {
        QueryFirmwareVersion(p);
        GetSpeed(p);
    } else {
        p.PromptChar = '%';
    }
    p.ports.output.giveFocus();
    p.LastExchangeTime = p.ports.clock.ticks();
}

bool Terminal::runPass() {
    Program& p = program_;
    // Between events the loop sleeps until its next deadline, or until unasked bytes wait while
    // interrupts are watched.
    const LineWatch line =
        p.InterruptWatch ? LineWatch{p.port.get(), kFrameStartBytes} : LineWatch{};
    WindowEvent event = p.ports.events.waitEvent(nextDeadlineIn(), WaitPolicy::Loop, line);
    switch (event) {
        case WindowEvent::OutputArea:
            p.commandTail = LineTracker(p);
            if (p.CommandReady) {
                DispatchCommand(p, handlers_);
            }
            break;
        case WindowEvent::LogoButton:
            p.ports.opener.open(p.StartDirectory + "selmur.html");
            break;
        case WindowEvent::HelpButton:
            showHelp();
            event = WindowEvent::None;
            break;
        case WindowEvent::None:
        case WindowEvent::StopButton:
        case WindowEvent::Close:
            break;
    }
    ClearMessageIfDue(p);
    if (p.ports.clock.ticks() - p.LastExchangeTime > kKeepAliveMs) {
        p.LastExchangeTime = p.ports.clock.ticks();
        SuperviseConnection(p);
    }
    if (p.InterruptWatch) {
        MonitorInterrupts(p);
    }
    return event != WindowEvent::Close;
}

std::uint32_t Terminal::nextDeadlineIn() {
    Program& p = program_;
    std::uint32_t wait = MsUntilMoreThan(p.ports.clock.ticks(), p.LastExchangeTime, kKeepAliveMs);
    wait = std::min(wait, MessageClearingDueIn(p));
    if (p.InterruptWatch) {
        wait = std::min(wait, BlinkDueIn(p));
    }
    return wait;
}

void Terminal::showHelp() {
    Program& p = program_;
    if (!p.ports.help.open(HelpLines())) {
        return;
    }
    // Only a close request, of either window, ends the help; everything else waits meanwhile.
    while (p.ports.events.waitEvent(kHelpWaitMs, WaitPolicy::Loop, {}) != WindowEvent::Close) {
    }
    p.ports.help.close();
}

void Terminal::shutDown() {
    CloseConnection(program_);
}

int Terminal::run() {
    startUp();
    while (runPass()) {
    }
    shutDown();
    return 0;
}

}  // namespace i2ct
