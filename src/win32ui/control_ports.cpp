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
