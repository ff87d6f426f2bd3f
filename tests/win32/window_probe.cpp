// Looks into the running terminal's window from outside, as a test's eyes and hands under Wine:
//   window_probe         prints "status: TEXT", "message: TEXT" and the console's lines, each
//                        ending in "|"
//   window_probe close   asks the window to close, as its close box does
//   window_probe cancel  presses Cancel in the open-file dialog
// Exit status 1 while no terminal window exists.
#include <windows.h>

#include <algorithm>
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
    if (argc > 1 && std::strcmp(argv[1], "cancel") == 0) {
        HWND dialog = FindWindowA("#32770", nullptr);
        return dialog != nullptr && PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0) ? 0 : 1;
    }
    HWND window = FindWindowA("I2CTerminalMain", nullptr);
    if (window == nullptr) {
        return 1;
    }
    if (argc > 1 && std::strcmp(argv[1], "close") == 0) {
        PostMessageA(window, WM_CLOSE, 0, 0);
        return 0;
    }
    // Of the two one-line fields, the message line is the read-only one.
    HWND status = nullptr, message = nullptr;
    for (HWND edit = FindWindowExA(window, nullptr, "Edit", nullptr); edit != nullptr;
         edit = FindWindowExA(window, edit, "Edit", nullptr)) {
        (GetWindowLongA(edit, GWL_STYLE) & ES_READONLY ? message : status) = edit;
    }
    std::string shown = TextOf(FindWindowExA(window, nullptr, "RichEdit20A", nullptr));
    std::erase(shown, '\n');
    std::replace(shown.begin(), shown.end(), '\r', '|');
    std::printf("status: %s\nmessage: %s\n%s|\n", TextOf(status).c_str(), TextOf(message).c_str(),
                shown.c_str());
    return 0;
}
