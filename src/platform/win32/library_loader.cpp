// SPDX-License-Identifier: LGPL-2.1-or-later
#include "platform/win32/library_loader.h"

#include <windows.h>

#include <map>
#include <string>

#include "platform/win32/d2xx_record.h"

namespace i2ct::win32 {
namespace {

using CreateDeviceInfoList = DWORD(WINAPI*)(DWORD*);
using GetDeviceInfoList = DWORD(WINAPI*)(DeviceInfo*, DWORD*);
using Open = DWORD(WINAPI*)(int, void**);
using GetComPortNumber = DWORD(WINAPI*)(void*, LONG*);
using Close = DWORD(WINAPI*)(void*);

class D2xxDriver : public DeviceDriver {
  public:
    explicit D2xxDriver(HMODULE library) : library_(library) {}
    ~D2xxDriver() override { FreeLibrary(library_); }
    D2xxDriver(const D2xxDriver&) = delete;
    D2xxDriver& operator=(const D2xxDriver&) = delete;

    int createDeviceInfoList() override {
        DWORD count = 0;
        if (auto f = function<CreateDeviceInfoList>("FT_CreateDeviceInfoList")) {
            f(&count);
        }
        // The count is taken as a 16-bit signed number.
        count_ = static_cast<std::int16_t>(count & 0xFFFF);
        return count_;
    }

    std::vector<Text> deviceDescriptions() override {
        std::vector<Text> descriptions;
        if (count_ <= 0) {
            return descriptions;
        }
        // Two records to spare, should a device come between the two calls.
        std::vector<DeviceInfo> records(static_cast<std::size_t>(count_) + 2);
        auto filled = static_cast<DWORD>(count_);
        if (auto f = function<GetDeviceInfoList>("FT_GetDeviceInfoList")) {
            f(records.data(), &filled);
        }
        for (int i = 0; i < count_; ++i) {
            const char* text = records[static_cast<std::size_t>(i)].description;
            descriptions.emplace_back(text, strnlen(text, sizeof DeviceInfo::description));
        }
        return descriptions;
    }

    std::optional<int> open(int index) override {
        void* handle = nullptr;
        const auto f = function<Open>("FT_Open");
        if (!f || f(index, &handle) != 0) {
            return std::nullopt;
        }
        handles_[next_] = handle;
        return next_++;
    }

    Text portName(int handle) override {
        LONG number = 0;
        if (auto f = function<GetComPortNumber>("FT_GetComPortNumber")) {
            f(handles_[handle], &number);
        }
        return "Com" + std::to_string(number);
    }

    void close(int handle) override {
        if (auto f = function<Close>("FT_Close")) {
            f(handles_[handle]);
        }
        handles_.erase(handle);
    }

  private:
    // Looked up at each call, as the terminal always has; nothing when the name is missing.
    template <class F>
    F function(const char* name) const {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library_, name)));
    }

    HMODULE library_;
    int count_ = 0;
    std::map<int, void*> handles_;
    int next_ = 1;
};

}  // namespace

Text Win32LibraryLoader::currentDirectory() {
    char buffer[MAX_PATH] = {};
    const DWORD length = GetCurrentDirectoryA(MAX_PATH, buffer);
    return length > 0 && length < MAX_PATH ? Text(buffer, length) : Text();
}

std::unique_ptr<DeviceDriver> Win32LibraryLoader::load(const Text& path) {
    HMODULE library = LoadLibraryA(path.c_str());
    if (library == nullptr) {
        return nullptr;
    }
    return std::make_unique<D2xxDriver>(library);
}

}  // namespace i2ct::win32
