#pragma once
// The bus data commands: WR and RD to a slave, LDTB and CLTB on the modem's interrupt source
// table.

#include "core/program.h"

namespace i2ct {

void WriteCommand(Program& p);       // WR, WRITE
void ReadCommand(Program& p);        // RD, READ
void LoadTableCommand(Program& p);   // LDTB, LOADTABLE
void ClearTableCommand(Program& p);  // CLTB, CLEARTABLE

}  // namespace i2ct
