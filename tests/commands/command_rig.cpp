#include "command_rig.h"

#include "buscommands/bus_commands.h"
#include "core/console.h"
#include "linecommands/line_commands.h"

namespace i2ct::test {

CommandHandlers CommandSet() {
    CommandHandlers h;
    h.write = WriteCommand;
    h.read = ReadCommand;
    h.listen = Listen;
    h.loadTable = LoadTableCommand;
    h.clearTable = ClearTableCommand;
    h.checkInt = CheckInt;
    h.setInt = SetInt;
    h.setSda = SetSda;
    h.setScl = SetScl;
    h.setPullup = SetPullup;
    h.setSpeed = SetSpeed;
    h.setFilter = SetFilter;
    h.getInt = GetInt;
    h.getSda = GetSda;
    h.getScl = GetScl;
    h.getPullup = GetPullup;
    h.getSpeed = GetSpeed;
    return h;
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
