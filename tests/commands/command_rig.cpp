#include "command_rig.h"

#include "app/commands.h"
#include "core/console.h"
#include "linecommands/line_commands.h"

namespace i2ct::test {

// The terminal's own handler table, so that commands run exactly as they do in the program.
CommandHandlers CommandSet() {
    return TerminalCommands();
}

CommandRig::CommandRig() {
    p.ModemFound = true;
    p.PortOpen = true;
    p.port = std::make_unique<ScriptedPort>(rig.modem);
    p.PromptChar = Text(1, '#');
    rig.output.append("#");
    RefreshSnapshot(p);
    rig.output.moveToEndOfLine(0);
}

void CommandRig::enter(const Text& command) {
    MemoryOutputArea& area = rig.output;
    if (area.get(area.cursorLine()) != p.PromptChar) {
        area.append(p.PromptChar);
        RefreshSnapshot(p);
        area.moveToEndOfLine(area.count() - 1);
    }
    type(command);
}

void CommandRig::type(const Text& typed) {
    commandLine = rig.output.cursorLine();
    messagesBefore = rig.message.history.size();
    rig.output.type(typed + "\n");
    p.commandTail = LineTracker(p);
    if (p.CommandReady) {
        DispatchCommand(p, CommandSet());
    }
}

std::vector<Text> CommandRig::reply() const {
    const std::vector<Text> all = rig.lines();
    const auto from = static_cast<std::size_t>(commandLine + 1);
    return from < all.size() ? std::vector<Text>(all.begin() + static_cast<long>(from), all.end())
                             : std::vector<Text>{};
}

void CommandRig::runLoopUntil(Tick t) {
    while (rig.time.ticks() < t) {
        rig.time.waitEvent(5, WaitPolicy::Loop);
        if (p.InterruptWatch) {
            MonitorInterrupts(p);
        }
    }
}

std::vector<Text> CommandRig::messages() const {
    const auto& all = rig.message.history;
    return std::vector<Text>(all.begin() + static_cast<long>(messagesBefore), all.end());
}

}  // namespace i2ct::test
