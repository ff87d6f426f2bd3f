// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The I2C adapter that the kernel module i2c-modem makes of a tty, as sysfs shows it.

#include <optional>
#include <string>
#include <string_view>

namespace i2ct::attach {

inline constexpr const char* kSysfs = "/sys";

// The kernel's name of the tty at path, as the adapter's name holds it: ttyUSB0 for
// /dev/ttyUSB0 or a link to it, pts3 for /dev/pts/3.
std::string TtyName(const std::string& path);

// Whether name holds word as a whole, so that ttyUSB1 is not found in "... ttyUSB10".
bool HoldsWord(std::string_view name, std::string_view word);

// The number N of the adapter /dev/i2c-N whose name holds the tty's name; nothing while there
// is none.
std::optional<int> FindAdapter(const std::string& ttyName, const std::string& sysfs = kSysfs);

// Whether a kernel module is loaded, by its name with "-" or "_".
bool ModuleLoaded(std::string name, const std::string& sysfs = kSysfs);

// Writes the bus clock in hertz to the adapter's file bus_clock_hz, which the modem takes as
// SET SPEED; 0, ENOENT while the file is not there, or another errno when it is refused.
int SetBusClock(int bus, unsigned hz, const std::string& sysfs = kSysfs);

}  // namespace i2ct::attach
