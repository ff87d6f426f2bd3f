// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once
// An output area kept in memory, with the same contract as the Qt editor, plus the user's side:
// typing at the insertion point, Enter, Backspace and moving the insertion point. It is the
// console of the batch program and the tests' double of the window's.

#include <vector>

#include "platform/window.h"

namespace i2ct {

class MemoryOutputArea : public OutputArea {
  public:
    LineIndex count() const override;
    Text get(LineIndex i) const override;
    void set(LineIndex i, const Text& text) override;
    void insert(LineIndex i, const Text& text) override;
    void append(const Text& text) override;
    LineIndex firstTouchedLine() const override;
    void clearTouched() override { touched_ = kNone; }
    void giveFocus() override {}

    // The user's side. Text is Windows-1252; "\n" in typed text is Enter.
    void type(const Text& text);
    void backspace();
    void moveTo(LineIndex line, std::size_t column);
    void moveToEndOfLine(LineIndex line);

    LineIndex cursorLine() const { return cursorLine_; }
    std::size_t cursorColumn() const { return cursorColumn_; }
    // Selects everything and deletes it.
    void clear();

  private:
    static constexpr LineIndex kNone = -1;
    void touch(LineIndex line);
    void normalise();

    std::vector<Text> lines_;  // empty while the area is empty
    LineIndex cursorLine_ = 0;
    std::size_t cursorColumn_ = 0;
    LineIndex touched_ = kNone;
};

}  // namespace i2ct
