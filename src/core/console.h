// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once
// The console: finding the command line the user typed, writing result lines back, the message
// line and the status field. Every command writes through these.

#include "core/program.h"

namespace i2ct {

enum class LineKind {
    Echo,    // takes the place of the empty line Enter opened; the user may type behind it
    Result,  // below the command line, then the prompt character on the next line
    Spaced,  // below the command line, the next line stays empty for more output
};

// Runs after every event of the output area. Returns the command line when the user's edit
// changed the line count and a line to run was found (CommandReady is then set), else empty.
Text LineTracker(Program& p);

// Writes one line after CurrentLine in the given kind and refreshes the snapshot.
void PrintLine(Program& p, const Text& text, LineKind kind);

// Copies the output area into LineSnapshot from the first touched line on.
void RefreshSnapshot(Program& p);

void ShowMessage(Program& p, const Text& text);
void ShowError(Program& p, const Text& text);
// The loop's clearing of the message line, 5000 ms after the last message.
void ClearMessageIfDue(Program& p);
// Milliseconds until the message line is cleared; the largest count while nothing is shown.
std::uint32_t MessageClearingDueIn(Program& p);

enum class ConnectionDisplay { Online, Offline, Bussy };
void SetStatus(Program& p, ConnectionDisplay display);

// Whether a message-line text shows a wait's progress: a text, ":  " and a turning character.
bool IsProgressText(const Text& text);

// Progress messages of waits: "/", "-", "\", "|" and again "/".
class Spinner {
  public:
    // Every wait starts again with "/".
    void reset() { next_ = 0; }
    char next();

  private:
    int next_ = 0;
};

}  // namespace i2ct
