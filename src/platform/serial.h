// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once
// The serial port to the modem and the driver that finds it. Transfers are one byte at a time;
// no call blocks longer than its own small limit.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/text.h"

namespace i2ct {

class SerialPort {
  public:
    virtual ~SerialPort() = default;  // closes the port
    // Writes one byte; gives up after 110 ms. Failures are not reported.
    virtual void writeByte(std::uint8_t byte) = 0;
    // Reads one byte; gives up after 110 ms and returns nothing then.
    virtual std::optional<std::uint8_t> readByte() = 0;
    // Bytes waiting in the receive queue; 0 when the port cannot tell (for example unplugged).
    virtual std::size_t waiting() = 0;
    // A file descriptor that polls readable while bytes wait, for a window system to listen to;
    // -1 when there is none, or nothing more can come. A window's wait then runs its time.
    virtual int arrivalDescriptor() { return -1; }
    // True once the port has seen its device go (hang-up, unplug); the port is closed then, and
    // every call returns at once. False where the system cannot tell.
    virtual bool dead() const { return false; }
};

// Why a port did not open, as far as the system tells: a caller can then point the user at the
// program that holds it, or at the access rights, rather than at the cable.
enum class PortFailure {
    None,
    Missing,       // no such device
    NotATerminal,  // the name is not a serial line
    NoPermission,  // the user may not open it
    Busy,          // another opener, in this process or another, holds it
    Other,         // it opened but did not take the settings, or the system does not say
};

class SerialPorts {
  public:
    virtual ~SerialPorts() = default;
    // Opens and configures the port that a definition text such as
    // "/dev/ttyUSB0: baud=115200  parity=N  data=8  stop=1" names: the device is the text up to
    // its first ":", the settings follow. Nothing when the port cannot be opened.
    virtual std::unique_ptr<SerialPort> open(const Text& definition) = 0;
    // Why the last open gave nothing; Other where the system does not tell.
    virtual PortFailure lastFailure() const { return PortFailure::Other; }
};

// What the program needs of the USB driver: list the devices with their descriptions, open one
// by its list position, learn its serial port, close it again.
class DeviceDriver {
  public:
    virtual ~DeviceDriver() = default;
    // Builds the device list and returns its length.
    virtual int createDeviceInfoList() = 0;
    // The description of each device of the list built last, in list order.
    virtual std::vector<Text> deviceDescriptions() = 0;
    // A handle for the device at this list position, or nothing when it cannot be opened.
    virtual std::optional<int> open(int index) = 0;
    // The serial port of an opened device: a device path here, "Com3" on Windows.
    virtual Text portName(int handle) = 0;
    virtual void close(int handle) = 0;
};

// Loads the driver library. On Linux the driver is built in, and every load binds it.
class LibraryLoader {
  public:
    virtual ~LibraryLoader() = default;
    virtual Text currentDirectory() = 0;
    // The separator that ends StartDirectory: "/" here, "\" on Windows.
    virtual char directorySeparator() = 0;
    virtual std::unique_ptr<DeviceDriver> load(const Text& path) = 0;
};

}  // namespace i2ct
