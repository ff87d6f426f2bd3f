#pragma once
// The console of the Windows window: the rich-text edit control as the output area. Its text is
// taken and given through the ANSI messages, so the core's Windows-1252 bytes pass unchanged.
// Its caret is the shared insertion point.

#include <windows.h>

#include "platform/window.h"

namespace i2ct::win32ui {

class RichEditArea : public OutputArea {
  public:
    // Takes over the control: plain text without a length limit or undo, Enter in any form
    // starting a new line, and a watch on the lines that the user's edits may touch.
    explicit RichEditArea(HWND control);
    // Gives the control back its own procedure, which outlives this object in the window.
    ~RichEditArea() override;
    RichEditArea(const RichEditArea&) = delete;
    RichEditArea& operator=(const RichEditArea&) = delete;

    LineIndex count() const override;
    Text get(LineIndex i) const override;
    void set(LineIndex i, const Text& text) override;
    void insert(LineIndex i, const Text& text) override;
    void append(const Text& text) override;
    LineIndex firstTouchedLine() const override;
    void clearTouched() override { touched_ = kNone; }
    void giveFocus() override { SetFocus(control_); }

    // The control's text changed: called for each of its change notifications.
    void changed();

    HWND control() const { return control_; }

  private:
    static constexpr LineIndex kNone = -1;
    static LRESULT CALLBACK Procedure(HWND control, UINT message, WPARAM w, LPARAM l);
    LRESULT handle(UINT message, WPARAM w, LPARAM l);

    bool exists(LineIndex i) const { return i >= 0 && i < count(); }
    LONG lineStart(LineIndex i) const;
    LONG lineLength(LineIndex i) const;
    LONG end() const;
    // Replaces the characters from..to with text; the caret ends behind it, in view.
    void replace(LONG from, LONG to, const Text& text, LineIndex line);
    LineIndex lineOf(LONG position) const;
    void touch(LineIndex line);

    HWND control_;
    WNDPROC original_ = nullptr;
    LineIndex touched_ = kNone;
    // The lowest line that the user's edit under way may change, or kNone: set while the control
    // handles a key, a paste or a cut.
    LineIndex userEdit_ = kNone;
    bool writing_ = false;
    bool enterKeyDown_ = false;  // its character is still to come
};

}  // namespace i2ct::win32ui
