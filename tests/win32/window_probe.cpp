// Looks into the running terminal's window from outside, as a test's eyes and hands under Wine:
//   window_probe         prints "status: TEXT" and the console's lines, each ending in "|"
//   window_probe close   asks the window to close, as its close box does
// Exit status 1 while no terminal window exists.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Asked with the message itself: GetWindowText does not ask a window of another process.
std::string TextOf(HWND control) {
    std::string text(static_cast<std::size_t>(SendMessageA(control, WM_GETTEXTLENGTH, 0, 0)) + 1,
                     '\0');
    const LRESULT length =
        SendMessageA(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    HWND window = FindWindowA("I2CTerminalMain", nullptr);
    if (window == nullptr) {
        return 1;
    }
    if (argc > 1 && std::strcmp(argv[1], "close") == 0) {
        PostMessageA(window, WM_CLOSE, 0, 0);
        return 0;
    }
    HWND status = FindWindowExA(window, nullptr, "Edit", nullptr);
    for (HWND edit = status; edit != nullptr; edit = FindWindowExA(window, edit, "Edit", nullptr)) {
        if (!(GetWindowLongA(edit, GWL_STYLE) & ES_READONLY)) {
            status = edit;  // the message line is the read-only one
        }
    }
    std::string lines = TextOf(FindWindowExA(window, nullptr, "RichEdit20A", nullptr));
    std::string shown;
    for (char c : lines) {
        if (c != '\n') {
            shown += c == '\r' ? '|' : c;
        }
    }
    std::printf("status: %s\n%s|\n", TextOf(status).c_str(), shown.c_str());
    return 0;
}
