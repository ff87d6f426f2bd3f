#pragma once
// The bus line and monitoring commands: line signals and pull-ups, the bus clock, the listen
// filter and LISTEN, and interrupt monitoring.

#include "core/program.h"

namespace i2ct {

void GetInt(Program& p);
void GetSda(Program& p);
void GetScl(Program& p);
void GetPullup(Program& p);
void SetInt(Program& p);
void SetSda(Program& p);
void SetScl(Program& p);
void SetPullup(Program& p);

void GetSpeed(Program& p);
void SetSpeed(Program& p);

void SetFilter(Program& p);
void Listen(Program& p);  // LISTEN, LIS

void CheckInt(Program& p);  // CHKINT, CHECKINTERUPT
// The loop's monitoring step while InterruptWatch is on: blinking, and the interrupt event
// handler when unasked bytes wait.
void MonitorInterrupts(Program& p);
// Milliseconds until the monitoring step changes the blink colour.
std::uint32_t BlinkDueIn(Program& p);

}  // namespace i2ct
