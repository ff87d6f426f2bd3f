// A stand-in for the D2XX driver library, for tests only and never shipped: it lists the devices
// that I2CT_STANDIN_DEVICES names ("description=port;..."; the modem's by default, on COM7) and
// reports their COM port numbers, through the five functions the terminal calls.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/d2xx_record.h"

namespace {

using i2ct::win32::DeviceInfo;

struct Device {
    std::string description;
    LONG port;
};

std::vector<Device> Devices() {
    // The live environment of the process, not a copy taken when this library was loaded.
    char setting[1024];
    const DWORD length = GetEnvironmentVariableA("I2CT_STANDIN_DEVICES", setting, sizeof setting);
    const bool set = length > 0 || GetLastError() != ERROR_ENVVAR_NOT_FOUND;
    const std::string text = set && length < sizeof setting ? std::string(setting, length)
                                                            : "I2C <> USB Modem  Selmur & Vusk=7";
    std::vector<Device> devices;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find(';', at), text.size());
        const std::string entry = text.substr(at, end - at);
        const std::size_t equals = entry.rfind('=');
        if (equals != std::string::npos) {
            devices.push_back({entry.substr(0, equals), std::atol(entry.c_str() + equals + 1)});
        }
        at = end + 1;
    }
    return devices;
}

}  // namespace

extern "C" {

__declspec(dllexport) DWORD WINAPI FT_CreateDeviceInfoList(DWORD* count) {
    *count = static_cast<DWORD>(Devices().size());
    return 0;
}

__declspec(dllexport) DWORD WINAPI FT_GetDeviceInfoList(DeviceInfo* list, DWORD* count) {
    const std::vector<Device> devices = Devices();
    for (std::size_t i = 0; i < devices.size() && i < *count; ++i) {
        std::memset(&list[i], 0, sizeof list[i]);
        std::strncpy(list[i].description, devices[i].description.c_str(),
                     sizeof list[i].description - 1);
    }
    return 0;
}

__declspec(dllexport) DWORD WINAPI FT_Open(int index, void** handle) {
    if (index < 0 || static_cast<std::size_t>(index) >= Devices().size()) {
        return 2;  // FT_DEVICE_NOT_FOUND
    }
    *handle = reinterpret_cast<void*>(static_cast<std::intptr_t>(index) + 1);
    return 0;
}

__declspec(dllexport) DWORD WINAPI FT_GetComPortNumber(void* handle, LONG* port) {
    *port = Devices()[static_cast<std::size_t>(reinterpret_cast<std::intptr_t>(handle) - 1)].port;
    return 0;
}

__declspec(dllexport) DWORD WINAPI FT_Close(void*) {
    return 0;
}
}
