// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once
// Finding the modem by its USB description, opening its serial port, and supervising the
// connection with a keep-alive and automatic reconnection.

#include "core/program.h"
#include "platform/modem_description.h"

namespace i2ct {

// Loads the driver library from StartDirectory, or from a file the user picks.
void LoadDriverLibrary(Program& p);

// "PORT: baud=115200  parity=N  data=8  stop=1".
Text DefinitionText(const Text& portName);

// Discovery at start-up, reporting every failure in the message line. Sends nothing.
void ConnectModem(Program& p);
// Silent discovery, then the prompt-character request; "Online" and true when it is answered.
bool ReconnectModem(Program& p);
// Keep-alive probe while a modem is found, reconnection attempt while none is.
void SuperviseConnection(Program& p);
// Gives the modem up as the failed keep-alive does: "Offline", the port closed, and the next
// supervision looks for it again.
void DropConnection(Program& p);

// A driver that lists one given serial port as the modem, for a caller that names the port.
std::unique_ptr<DeviceDriver> GivenPortDriver(const Text& portName);

// Closes the serial port and leaves the driver; the shut-down sequence.
void CloseConnection(Program& p);

}  // namespace i2ct
