// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once
// Turns the settings part of a serial port definition, such as
// "baud=115200  parity=N  data=8  stop=1", into terminal settings. It reads the text as the
// Windows build's BuildCommDCB call does, so the same definition works on both systems.

#include <termios.h>

#include <string_view>

namespace i2ct::linux_platform {

// Keys (baud, parity, data, stop) and parity letters may be in any letter case and are
// separated by blanks; a key that is absent leaves 8 data bits, no parity, 1 stop bit at the
// current speed. The line always becomes raw, ignores the modem control lines, has neither
// hardware nor software flow control, and never waits inside the driver. Returns false and
// leaves the settings unchanged when the text holds an unknown key or value.
bool ApplyLineSettings(std::string_view settings, termios& terminal);

// Asks the driver of the open tty to hand on received bytes at once: ASYNC_LOW_LATENCY, which
// the FTDI driver turns into a latency timer of 1 ms instead of 16, and which a user without
// privileges may set. A driver or a pseudo-terminal that refuses it leaves the line as it is.
void AskLowLatency(int fd);

}  // namespace i2ct::linux_platform
