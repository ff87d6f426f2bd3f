#include "app/commands.h"

#include "buscommands/bus_commands.h"
#include "linecommands/line_commands.h"
#include "modem/version.h"

namespace i2ct {

CommandHandlers TerminalCommands() {
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
    h.getVersion = GetVersion;
    return h;
}

}  // namespace i2ct
