// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once
// The window as the core sees it: its events, the output area, the status field, the message
// line, the STOP button and the help window. The Qt widgets implement these; tests use doubles.

#include <cstdint>
#include <vector>

#include "platform/colour.h"
#include "platform/serial.h"
#include "platform/text.h"

namespace i2ct {

enum class WindowEvent {
    None,        // the wait ran out, or what came was dropped by the policy
    OutputArea,  // the output area changed its text or its focus
    HelpButton,
    LogoButton,
    StopButton,
    Close,  // close box, system menu or Alt+F4 of either window
};

enum class WaitPolicy {
    // The event loop: every event is delivered to the caller (the help window's wait too, which
    // only acts on Close).
    Loop,
    // A command waits for the modem: keys, clicks and close requests are taken and dropped, the
    // window still repaints. Always returns None.
    Command,
    // LISTEN without a time limit: as Command, but a click on the STOP button comes through.
    Listen,
};

// Bytes on the serial line that end a wait as an event would: the modem's answer, or what it
// sends unasked. Without a port only events and the time end the wait.
struct LineWatch {
    SerialPort* port = nullptr;
    std::size_t bytes = 0;  // the wait ends once this many bytes are waiting
};

class WindowEvents {
  public:
    virtual ~WindowEvents() = default;
    // Lets the window system run until an event arrives, the watched bytes wait or timeoutMs
    // have passed. Returns the event that the policy lets through, or None. The wait may end
    // early when an event was taken, also one that the policy dropped.
    virtual WindowEvent waitEvent(std::uint32_t timeoutMs, WaitPolicy policy, LineWatch line) = 0;
    // Whether someone watches a command's wait for its answer in the fixed steps that show its
    // progress, as in the window. Without a window, each step ends as soon as the answer waits.
    virtual bool showsSteps() const { return true; }
};

// Line numbers and counts of the output area. 64 bits, so no console is ever too long.
using LineIndex = std::int64_t;

// The console's text, shared by the user's typing and the program's writes. One insertion point
// serves both: the user goes on typing where the program's last write left it.
class OutputArea {
  public:
    virtual ~OutputArea() = default;
    // 0 while the area is completely empty, otherwise the number of line breaks plus one.
    virtual LineIndex count() const = 0;
    // Line i without its line break; empty text for a line that does not exist.
    virtual Text get(LineIndex i) const = 0;
    // Replaces line i (its line break stays); beyond the last line the text extends the last
    // line instead. The insertion point moves behind the text.
    virtual void set(LineIndex i, const Text& text) = 0;
    // Inserts text and a line break at the start of line i, the insertion point moves to the
    // start of the following line; beyond the last line as append.
    virtual void insert(LineIndex i, const Text& text) = 0;
    // Adds text as a new last line (a line break first unless the area is empty); the insertion
    // point moves to the end.
    virtual void append(const Text& text) = 0;
    // The lowest line that any change, the user's or the program's, may have touched since the
    // last clearTouched(); count() when nothing changed. Lines above it are unchanged, which
    // lets the line tracker skip them on long consoles.
    virtual LineIndex firstTouchedLine() const = 0;
    virtual void clearTouched() = 0;
    virtual void giveFocus() = 0;
};

class StatusField {
  public:
    virtual ~StatusField() = default;
    virtual void setStatus(const Text& text, Rgb background) = 0;
    // Only the background, for the blinking; the text stays.
    virtual void setBackground(Rgb background) = 0;
};

class MessageLine {
  public:
    virtual ~MessageLine() = default;
    virtual void setText(const Text& text) = 0;
    virtual void setTextColour(Rgb colour) = 0;
    virtual void setBackground(Rgb background) = 0;
};

class StopButton {
  public:
    virtual ~StopButton() = default;
    virtual void setVisible(bool visible) = 0;
};

class HelpWindow {
  public:
    virtual ~HelpWindow() = default;
    // Builds the help window anew with these lines, read-only; false when it cannot be created.
    virtual bool open(const std::vector<Text>& lines) = 0;
    // Destroys it and makes the main window active again.
    virtual void close() = 0;
};

}  // namespace i2ct
