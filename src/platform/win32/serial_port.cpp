// SPDX-License-Identifier: LGPL-2.1-or-later
#include "platform/win32/serial_port.h"

#include <windows.h>

namespace i2ct::win32 {
namespace {

constexpr DWORD kQueueBytes = 255;

}  // namespace

std::unique_ptr<Win32SerialPort> Win32SerialPort::open(const Text& definition) {
    const Text device = "\\\\.\\" + definition.substr(0, definition.find(':'));
    HANDLE handle = CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    std::unique_ptr<Win32SerialPort> port(new Win32SerialPort(handle));
    SetupComm(handle, kQueueBytes, kQueueBytes);
    DCB settings{};
    settings.DCBlength = sizeof settings;
    if (!GetCommState(handle, &settings) || !BuildCommDCBA(definition.c_str(), &settings)) {
        return port;
    }
    settings.fRtsControl = RTS_CONTROL_DISABLE;
    settings.fOutxCtsFlow = FALSE;
    if (!SetCommState(handle, &settings)) {
        return port;
    }
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = 100;
    timeouts.ReadTotalTimeoutMultiplier = 10;
    timeouts.ReadTotalTimeoutConstant = 100;
    timeouts.WriteTotalTimeoutMultiplier = 100;
    timeouts.WriteTotalTimeoutConstant = 10;
    SetCommTimeouts(handle, &timeouts);
    return port;
}

Win32SerialPort::~Win32SerialPort() {
    CloseHandle(static_cast<HANDLE>(handle_));
}

void Win32SerialPort::writeByte(std::uint8_t byte) {
    DWORD written = 0;
    WriteFile(static_cast<HANDLE>(handle_), &byte, 1, &written, nullptr);
}

std::optional<std::uint8_t> Win32SerialPort::readByte() {
    std::uint8_t byte = 0;
    DWORD got = 0;
    if (!ReadFile(static_cast<HANDLE>(handle_), &byte, 1, &got, nullptr) || got != 1) {
        return std::nullopt;
    }
    return byte;
}

std::size_t Win32SerialPort::waiting() {
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(static_cast<HANDLE>(handle_), &errors, &status)) {
        return 0;
    }
    return status.cbInQue;
}

std::unique_ptr<SerialPort> Win32SerialPorts::open(const Text& definition) {
    return Win32SerialPort::open(definition);
}

}  // namespace i2ct::win32
