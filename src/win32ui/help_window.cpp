#include "win32ui/help_window.h"

#include <richedit.h>

#include "win32ui/main_window.h"

namespace i2ct::win32ui {
namespace {

constexpr char kClassName[] = "I2CTerminalHelp";
// A caption with the system menu: no sizing border, no minimise or maximise box.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;

void RegisterHelpClass(WNDPROC procedure) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    if (GetClassInfoExA(ThisModule(), kClassName, &windowClass)) {
        return;
    }
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = ThisModule();
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    RegisterClassExA(&windowClass);
}

}  // namespace

HelpWindowPort::HelpWindowPort(HWND mainWindow, HFONT consoleFont, MessagePump& pump)
    : mainWindow_(mainWindow), consoleFont_(consoleFont), pump_(pump) {
    RegisterHelpClass(Procedure);
}

LRESULT CALLBACK HelpWindowPort::Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    HelpWindowPort* self = CreatedFor<HelpWindowPort>(window, message, l);
    if (message == WM_CLOSE && self != nullptr) {
        // The loop closes the window when it takes the event.
        self->pump_.post(WindowEvent::Close);
        return 0;
    }
    return DefWindowProcA(window, message, w, l);
}

bool HelpWindowPort::open(const std::vector<Text>& lines) {
    close();
    const RECT outer = OuterRect(100, 50, 1100, 860, kStyle);
    window_ = CreateWindowExA(0, kClassName, "Hilfe f\xFCr Terminal Befehle", kStyle, outer.left,
                              outer.top, outer.right - outer.left, outer.bottom - outer.top,
                              nullptr, nullptr, ThisModule(), this);
    if (window_ == nullptr) {
        return false;
    }
    text_ = CreateWindowExA(WS_EX_CLIENTEDGE, RICHEDIT_CLASSA, "",
                            WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
                                ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_READONLY,
                            10, 10, 1080, 840, window_, nullptr, ThisModule(), nullptr);
    SendMessageA(text_, EM_SETTEXTMODE, TM_PLAINTEXT, 0);
    SendMessageA(text_, EM_SETTARGETDEVICE, 0, 1);
    SendMessageA(text_, WM_SETFONT, reinterpret_cast<WPARAM>(consoleFont_), FALSE);
    // Each line ends with a line break, so an empty line follows the last one.
    Text all;
    for (const Text& line : lines) {
        all += line;
        all += '\r';
    }
    SendMessageA(text_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(all.c_str()));
    ShowWindow(window_, SW_SHOWNORMAL);
    UpdateWindow(window_);
    return true;
}

void HelpWindowPort::close() {
    if (window_ == nullptr) {
        return;
    }
    DestroyWindow(window_);
    window_ = nullptr;
    text_ = nullptr;
    SetActiveWindow(mainWindow_);
    SetForegroundWindow(mainWindow_);
}

}  // namespace i2ct::win32ui
