// The batch program's shell on Windows: the prompt, then a line that the console edits and keeps
// in its history itself. The line is read as UTF-16, so that every character arrives whatever the
// console's input code page.
#include <windows.h>

#include <cstdio>
#include <string>

#include "batch/shell.h"

namespace i2ct::batch {
namespace {

constexpr wchar_t kEndOfInput = L'\x1a';  // Ctrl-Z

// The prompt shown last, to show again below output that came while it waited.
std::string gPrompt;

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

// The console edits the line by itself and hands it over whole, so the output of the waits comes
// only before the first key of a line; once a key is typed, the read blocks until Enter.
std::optional<std::string> Shell::readLine(const std::string& prompt,
                                           const std::function<bool()>& wait) {
    gPrompt = prompt;
    std::fputs(prompt.c_str(), stdout);
    std::fflush(stdout);
    if (!wait()) {
        return std::nullopt;
    }
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

void Shell::printAbove(const std::function<void()>& print) {
    std::fputs("\n", stdout);
    print();
    std::fputs(gPrompt.c_str(), stdout);
    std::fflush(stdout);
}

}  // namespace i2ct::batch
