#include "win32ui/control_ports.h"

#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>

namespace i2ct::win32ui {

void StatusFieldPort::setStatus(const Text& text, Rgb background) {
    window_.setStatusColours(background);
    SetWindowTextA(window_.statusField(), text.c_str());
}

void MessageLinePort::setText(const Text& text) {
    SetWindowTextA(window_.messageLine(), text.c_str());
    UpdateWindow(window_.messageLine());
}

void StopButtonPort::setVisible(bool visible) {
    // A click on STOP gives the button the keyboard focus, and hiding it leaves the focus with the
    // window, where keys go nowhere: the console takes it back, so the user types on behind the
    // prompt that follows the result.
    const bool focused = GetFocus() == button_;
    ShowWindow(button_, visible ? SW_SHOW : SW_HIDE);
    if (!visible && (focused || GetFocus() == GetParent(button_))) {
        SetFocus(console_);
    }
}

Text DialogFilter(const Text& filter) {
    Text parts = filter;
    std::replace(parts.begin(), parts.end(), '|', '\0');
    parts += '\0';
    parts += '\0';
    return parts;
}

Text FileDialogPort::openFile(const Text& title, const Text& filter) {
    const Text filters = DialogFilter(filter);
    char path[MAX_PATH] = "";
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner_;
    dialog.lpstrFilter = filters.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path;
    dialog.nMaxFile = sizeof path;
    dialog.lpstrTitle = title.c_str();
    dialog.Flags =
        OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    return GetOpenFileNameA(&dialog) ? Text(path) : Text{};
}

void ShellOpener::open(const Text& path) {
    ShellExecuteA(nullptr, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace i2ct::win32ui
