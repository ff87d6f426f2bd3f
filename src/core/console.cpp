// SPDX-License-Identifier: LGPL-2.1-or-later
#include "core/console.h"

#include <limits>
#include <string_view>

namespace i2ct {
namespace {

constexpr Tick kMessageLifeMs = 5000;
constexpr std::string_view kTurning = "/-\\|";

Text lineAt(Program& p, LineIndex i) {
    return p.ports.output.get(i);
}

const Text& snapshotAt(Program& p, LineIndex i) {
    static const Text kEmpty;
    const auto index = static_cast<std::size_t>(i);
    return index < p.LineSnapshot.size() ? p.LineSnapshot[index] : kEmpty;
}

}  // namespace

void RefreshSnapshot(Program& p) {
    OutputArea& area = p.ports.output;
    const LineIndex n = area.count();
    if (p.LineSnapshot.size() < static_cast<std::size_t>(n)) {
        p.LineSnapshot.resize(static_cast<std::size_t>(n));
    }
    // Lines above the first touched one are unchanged since the last refresh, so the copy can
    // start there; on a long console this keeps a command's output cheap.
    for (LineIndex j = area.firstTouchedLine(); j < n; ++j) {
        p.LineSnapshot[static_cast<std::size_t>(j)] = area.get(j);
    }
    area.clearTouched();
    p.KnownLineCount = n;
}

Text LineTracker(Program& p) {
    OutputArea& area = p.ports.output;
    const LineIndex n = area.count();
    // The first key typed into the completely empty area takes the count from 0 to 1 without
    // any line break: that is typing inside a line too, not a line to run.
    if (n == p.KnownLineCount || (p.KnownLineCount == 0 && n == 1)) {
        return {};
    }
    // With the area emptied there is no last line to stop at: the search ends at the first
    // snapshot entry that still holds text.
    const LineIndex last = n > 0 ? n - 1 : static_cast<LineIndex>(p.LineSnapshot.size()) - 1;
    LineIndex found = -1;
    for (LineIndex i = std::min(area.firstTouchedLine(), n); i <= last; ++i) {
        if (lineAt(p, i) != snapshotAt(p, i)) {
            found = i;
            break;
        }
    }
    Text line;
    if (found >= 0) {
        p.CurrentLine = found;
        line = lineAt(p, found);
        if (line.empty()) {
            // The new line Enter opened: the command is the line above it.
            p.CurrentLine = found - 1;
            line = found > 0 ? lineAt(p, found - 1) : Text{};
            if (line.empty() || line == p.PromptChar || line == "?" || line == "!") {
                p.CurrentLine = found;
                area.set(found, p.PromptChar);
            }
        }
        p.CommandReady = true;
    } else {
        area.set(n - 1, p.PromptChar);
    }
    RefreshSnapshot(p);
    p.KnownLineCount = n;
    return line;
}

void PrintLine(Program& p, const Text& text, LineKind kind) {
    OutputArea& area = p.ports.output;
    const LineIndex c = p.CurrentLine;
    switch (kind) {
        case LineKind::Echo:
            area.set(c + 1, text);
            p.CurrentLine = c + 1;
            break;
        case LineKind::Result:
            area.insert(c + 1, text);
            area.set(c + 2, p.PromptChar);
            p.CurrentLine = c + 2;
            break;
        case LineKind::Spaced:
            area.insert(c + 1, text);
            area.set(c + 2, Text{});
            p.CurrentLine = c + 2;
            break;
    }
    RefreshSnapshot(p);
}

void ShowMessage(Program& p, const Text& text) {
    p.MessageTime = p.ports.clock.ticks();
    p.ports.message.setBackground(colour::kGrey);
    p.MessageShown = true;
    p.ports.message.setText(text);
}

void ShowError(Program& p, const Text& text) {
    p.ports.message.setTextColour(colour::kErrorRed);
    ShowMessage(p, text);
}

void ClearMessageIfDue(Program& p) {
    if (p.MessageShown && p.ports.clock.ticks() - p.MessageTime > kMessageLifeMs) {
        p.ports.message.setTextColour(colour::kBlack);
        p.ports.message.setBackground(colour::kGrey);
        p.ports.message.setText(Text{});
        p.MessageShown = false;
    }
}

std::uint32_t MessageClearingDueIn(Program& p) {
    return p.MessageShown ? MsUntilMoreThan(p.ports.clock.ticks(), p.MessageTime, kMessageLifeMs)
                          : std::numeric_limits<std::uint32_t>::max();
}

void SetStatus(Program& p, ConnectionDisplay display) {
    switch (display) {
        case ConnectionDisplay::Online:
            p.ports.status.setStatus("Online", colour::kGreen);
            break;
        case ConnectionDisplay::Offline:
            p.ports.status.setStatus("Offline", colour::kRed);
            break;
        case ConnectionDisplay::Bussy:
            p.ports.status.setStatus("BUSSY", colour::kYellow);
            break;
    }
}

char Spinner::next() {
    const char c = kTurning[static_cast<std::size_t>(next_)];
    next_ = (next_ + 1) % 4;
    return c;
}

bool IsProgressText(const Text& text) {
    return !text.empty() && kTurning.find(text.back()) != std::string_view::npos &&
           std::string_view(text).substr(0, text.size() - 1).ends_with(":  ");
}

}  // namespace i2ct
