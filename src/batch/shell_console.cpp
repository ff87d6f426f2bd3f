// The batch program's shell on Windows: the prompt, then a line that the console edits and keeps
// in its history itself. The line is read as UTF-16, so that every character arrives whatever the
// console's input code page.
#include <windows.h>

#include <cstdio>

#include "batch/shell.h"

namespace i2ct::batch {
namespace {

constexpr wchar_t kEndOfInput = L'\x1a';  // Ctrl-Z

std::string Utf8(const std::wstring& text) {
    const int size = static_cast<int>(text.size());
    std::string bytes(static_cast<std::size_t>(size) * 3, '\0');
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, bytes.data(),
                                           static_cast<int>(bytes.size()), nullptr, nullptr);
    bytes.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return bytes;
}

}  // namespace

Shell::Shell() = default;
Shell::~Shell() = default;

std::optional<std::string> Shell::readLine(const std::string& prompt) {
    std::fputs(prompt.c_str(), stdout);
    std::fflush(stdout);
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    std::wstring line;
    // A line longer than the buffer comes in pieces; the last ends with the line break. Ctrl-C
    // ends the read with nothing.
    while (line.empty() || line.back() != L'\n') {
        wchar_t buffer[256];
        DWORD got = 0;
        if (!ReadConsoleW(input, buffer, static_cast<DWORD>(std::size(buffer)), &got, nullptr) ||
            got == 0) {
            return std::nullopt;
        }
        line.append(buffer, got);
    }
    if (line.front() == kEndOfInput) {
        return std::nullopt;
    }
    while (!line.empty() && (line.back() == L'\n' || line.back() == L'\r')) {
        line.pop_back();
    }
    return Utf8(line);
}

}  // namespace i2ct::batch
