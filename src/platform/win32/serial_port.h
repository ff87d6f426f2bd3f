// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once
// The modem's COM port on Windows, opened and set up as the terminal has always done it: no
// sharing, 255-byte queues, the settings from the definition text by BuildCommDCBA, no handshake,
// and timeouts that end a one-byte read after 110 ms.

#include <memory>

#include "platform/serial.h"

namespace i2ct::win32 {

class Win32SerialPort : public SerialPort {
  public:
    // Opens "\\.\" and the definition's port name. Nothing when CreateFileA fails; settings that
    // cannot be read, built or applied leave the port open as it is.
    static std::unique_ptr<Win32SerialPort> open(const Text& definition);

    ~Win32SerialPort() override;
    Win32SerialPort(const Win32SerialPort&) = delete;
    Win32SerialPort& operator=(const Win32SerialPort&) = delete;

    void writeByte(std::uint8_t byte) override;
    std::optional<std::uint8_t> readByte() override;
    // The input queue's count from ClearCommError.
    std::size_t waiting() override;

  private:
    explicit Win32SerialPort(void* handle) : handle_(handle) {}

    void* handle_;  // a HANDLE, kept out of this header's users
};

class Win32SerialPorts : public SerialPorts {
  public:
    std::unique_ptr<SerialPort> open(const Text& definition) override;
};

}  // namespace i2ct::win32
