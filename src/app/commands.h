#pragma once
// The handlers behind every keyword of the command language, for the dispatcher.

#include "interpreter/dispatch.h"

namespace i2ct {

CommandHandlers TerminalCommands();

}  // namespace i2ct
