#include "win32ui/rich_edit_area.h"

#include <richedit.h>

#include <algorithm>

namespace i2ct::win32ui {
namespace {

constexpr char kLineBreak[] = "\r";

bool EditsText(UINT message) {
    switch (message) {
        case WM_KEYDOWN:
        case WM_CHAR:
        case WM_IME_CHAR:
        case WM_PASTE:
        case WM_CUT:
        case WM_CLEAR:
            return true;
        default:
            return false;
    }
}

}  // namespace

RichEditArea::RichEditArea(HWND control) : control_(control) {
    // Plain text: pasted text brings no formatting, and every line has the console font.
    SendMessageA(control_, EM_SETTEXTMODE, TM_PLAINTEXT | TM_MULTILEVELUNDO, 0);
    // Undo would take back the program's own output as well, and its history would grow with
    // a console that has no length limit.
    SendMessageA(control_, EM_SETUNDOLIMIT, 0, 0);
    SendMessageA(control_, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
    // No wrapping: a line of the area is a line of text, however long.
    SendMessageA(control_, EM_SETTARGETDEVICE, 0, 1);
    SendMessageA(control_, EM_SETEVENTMASK, 0, ENM_CHANGE);
    SetWindowLongPtrA(control_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    original_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(control_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Procedure)));
}

RichEditArea::~RichEditArea() {
    SetWindowLongPtrA(control_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
    SetWindowLongPtrA(control_, GWLP_USERDATA, 0);
}

LRESULT CALLBACK RichEditArea::Procedure(HWND control, UINT message, WPARAM w, LPARAM l) {
    auto* self = reinterpret_cast<RichEditArea*>(GetWindowLongPtrA(control, GWLP_USERDATA));
    return self->handle(message, w, l);
}

LRESULT RichEditArea::handle(UINT message, WPARAM w, LPARAM l) {
    if (EditsText(message)) {
        // A key, a paste or a cut acts at the selection; Backspace at a line's start also
        // changes the line above.
        CHARRANGE selection{};
        SendMessageA(control_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
        const LONG from = std::min(selection.cpMin, selection.cpMax);
        const LineIndex line = lineOf(from);
        const bool backspace =
            (message == WM_KEYDOWN && w == VK_BACK) || (message == WM_CHAR && w == '\b');
        userEdit_ = backspace && from == lineStart(line) ? std::max<LineIndex>(line - 1, 0) : line;
    }
    // Shift+Enter would break the line inside one paragraph: the user would see a new line that
    // the line count does not show. Every Enter, with any modifier, is a plain line break, made
    // once for the key and not again for the character that follows it; a line-break character
    // without the key, as some keyboards and input tools send it, makes one as well.
    const bool enterKey = message == WM_KEYDOWN && w == VK_RETURN;
    const bool enterCharacter = message == WM_CHAR && (w == '\r' || w == '\n');
    LRESULT result = 0;
    if (enterKey || enterCharacter) {
        if (enterKey || !enterKeyDown_) {
            CallWindowProcA(original_, control_, EM_REPLACESEL, TRUE,
                            reinterpret_cast<LPARAM>(kLineBreak));
        }
        enterKeyDown_ = enterKey;
    } else {
        result = CallWindowProcA(original_, control_, message, w, l);
    }
    // The control reports its change while it handles the message; a later change, such as
    // text dropped with the mouse, was announced by nothing.
    userEdit_ = kNone;
    return result;
}

void RichEditArea::changed() {
    if (writing_) {
        return;
    }
    // A change that no key announced may lie anywhere.
    touch(userEdit_ == kNone ? 0 : userEdit_);
}

LineIndex RichEditArea::count() const {
    // The control counts one line in an empty text, the area none.
    return GetWindowTextLengthA(control_) == 0 ? 0 : SendMessageA(control_, EM_GETLINECOUNT, 0, 0);
}

LONG RichEditArea::lineStart(LineIndex i) const {
    return static_cast<LONG>(SendMessageA(control_, EM_LINEINDEX, static_cast<WPARAM>(i), 0));
}

LONG RichEditArea::lineLength(LineIndex i) const {
    return static_cast<LONG>(
        SendMessageA(control_, EM_LINELENGTH, static_cast<WPARAM>(lineStart(i)), 0));
}

LONG RichEditArea::end() const {
    const LineIndex last = SendMessageA(control_, EM_GETLINECOUNT, 0, 0) - 1;
    return lineStart(last) + lineLength(last);
}

LineIndex RichEditArea::lineOf(LONG position) const {
    return SendMessageA(control_, EM_EXLINEFROMCHAR, 0, position);
}

Text RichEditArea::get(LineIndex i) const {
    if (!exists(i)) {
        return {};
    }
    const LONG start = lineStart(i);
    Text text(static_cast<std::size_t>(lineLength(i)) + 1, '\0');
    TEXTRANGEA range{{start, start + static_cast<LONG>(text.size()) - 1}, text.data()};
    const auto copied =
        SendMessageA(control_, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range));
    text.resize(static_cast<std::size_t>(std::max<LRESULT>(copied, 0)));
    return text;
}

void RichEditArea::replace(LONG from, LONG to, const Text& text, LineIndex line) {
    touch(line);
    writing_ = true;
    CHARRANGE selection{from, to};
    SendMessageA(control_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    CallWindowProcA(original_, control_, EM_REPLACESEL, FALSE,
                    reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageA(control_, EM_SCROLLCARET, 0, 0);
    writing_ = false;
}

void RichEditArea::set(LineIndex i, const Text& text) {
    if (exists(i)) {
        const LONG start = lineStart(i);
        replace(start, start + lineLength(i), text, i);
    } else {
        const LONG last = end();
        replace(last, last, text, std::max<LineIndex>(count() - 1, 0));
    }
}

void RichEditArea::insert(LineIndex i, const Text& text) {
    if (!exists(i)) {
        append(text);
        return;
    }
    const LONG start = lineStart(i);
    replace(start, start, text + kLineBreak, i);
}

void RichEditArea::append(const Text& text) {
    const LONG last = end();
    const LineIndex lines = count();
    replace(last, last, last == 0 ? text : kLineBreak + text, std::max<LineIndex>(lines - 1, 0));
}

LineIndex RichEditArea::firstTouchedLine() const {
    return touched_ == kNone ? count() : touched_;
}

void RichEditArea::touch(LineIndex line) {
    touched_ = touched_ == kNone ? line : std::min(touched_, line);
}

}  // namespace i2ct::win32ui
