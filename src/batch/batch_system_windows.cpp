// The batch program on Windows: the console, standard input and a log file that must be no link.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>

#include "batch/batch_system.h"
#include "headless/waits_system.h"

namespace i2ct::batch {
namespace {

// A pipe has no handle to wait on for its bytes: it is asked this often.
constexpr DWORD kPipeStepMs = 10;

}  // namespace

// The same bytes as on Linux: no CR before each LF, and a console that shows UTF-8, set back to
// its own code page at the end, since the console outlives the program.
void PrepareStandardStreams() {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    static const UINT before = GetConsoleOutputCP();
    if (before != 0 && before != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) {
        std::atexit([] { SetConsoleOutputCP(before); });
    }
}

bool InteractiveInput() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

// The console's handle is signalled while it holds input events; a pipe is asked for its bytes,
// and its end or failure counts as input, which the read then finds. A file is always ready.
// The port is not watched: the waits on Windows ask it in steps anyway.
Woken AwaitInput(std::uint32_t ms, int, bool) {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    switch (GetFileType(input)) {
        case FILE_TYPE_CHAR:
            return WaitForSingleObject(input, ms) == WAIT_TIMEOUT ? Woken::Time : Woken::Input;
        case FILE_TYPE_PIPE: {
            const DWORD start = GetTickCount();
            for (DWORD passed = 0;; passed = GetTickCount() - start) {
                DWORD bytes = 0;
                if (!PeekNamedPipe(input, nullptr, 0, nullptr, &bytes, nullptr) || bytes > 0) {
                    return Woken::Input;
                }
                if (passed >= ms || headless::gInterrupts) {
                    return Woken::Time;
                }
                Sleep(std::min<DWORD>(kPipeStepMs, ms - passed));
            }
        }
        default:
            return Woken::Input;
    }
}

std::size_t ReadInput(char* buffer, std::size_t size) {
    DWORD got = 0;
    if (!ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, static_cast<DWORD>(size), &got,
                  nullptr)) {
        return 0;
    }
    return got;
}

// A link is opened as itself, not followed, so that it can be seen and refused: the log would
// otherwise land where the link's maker wants it. Devices such as CON or NUL are no log either.
std::FILE* OpenLog(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    const DWORD refused = FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY;
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &information) ||
        (information.dwFileAttributes & refused) != 0 || !SetEndOfFile(file)) {
        CloseHandle(file);
        return nullptr;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(file);
        return nullptr;
    }
    std::FILE* log = _fdopen(fd, "wb");
    if (log == nullptr) {
        _close(fd);
    }
    return log;
}

}  // namespace i2ct::batch
