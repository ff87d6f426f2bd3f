// SPDX-License-Identifier: LGPL-2.1-or-later
#include "platform/memory_output_area.h"

#include <algorithm>

namespace i2ct {

LineIndex MemoryOutputArea::count() const {
    return static_cast<LineIndex>(lines_.size());
}

Text MemoryOutputArea::get(LineIndex i) const {
    if (i < 0 || i >= count()) {
        return {};
    }
    return lines_[static_cast<std::size_t>(i)];
}

void MemoryOutputArea::touch(LineIndex line) {
    line = std::max<LineIndex>(line, 0);
    touched_ = touched_ == kNone ? line : std::min(touched_, line);
}

void MemoryOutputArea::normalise() {
    // One empty line and no line at all are the same text.
    if (lines_.size() == 1 && lines_[0].empty()) {
        lines_.clear();
        cursorLine_ = 0;
        cursorColumn_ = 0;
    }
}

void MemoryOutputArea::set(LineIndex i, const Text& text) {
    if (i >= 0 && i < count()) {
        lines_[static_cast<std::size_t>(i)] = text;
        cursorLine_ = i;
        cursorColumn_ = text.size();
        touch(i);
    } else {
        if (lines_.empty()) {
            lines_.emplace_back();
        }
        lines_.back() += text;
        cursorLine_ = count() - 1;
        cursorColumn_ = lines_.back().size();
        touch(cursorLine_);
    }
    normalise();
}

void MemoryOutputArea::insert(LineIndex i, const Text& text) {
    if (i >= 0 && i < count()) {
        lines_.insert(lines_.begin() + i, text);
        cursorLine_ = i + 1;
        cursorColumn_ = 0;
        touch(i);
    } else {
        append(text);
    }
}

void MemoryOutputArea::append(const Text& text) {
    touch(std::max<LineIndex>(count() - 1, 0));
    lines_.push_back(text);
    cursorLine_ = count() - 1;
    cursorColumn_ = lines_.back().size();
    normalise();
}

LineIndex MemoryOutputArea::firstTouchedLine() const {
    return touched_ == kNone ? count() : touched_;
}

void MemoryOutputArea::type(const Text& text) {
    if (lines_.empty()) {
        lines_.emplace_back();
        cursorLine_ = 0;
        cursorColumn_ = 0;
    }
    touch(cursorLine_);
    for (char c : text) {
        Text& line = lines_[static_cast<std::size_t>(cursorLine_)];
        if (c == '\n') {
            Text rest = line.substr(cursorColumn_);
            line.erase(cursorColumn_);
            lines_.insert(lines_.begin() + cursorLine_ + 1, rest);
            ++cursorLine_;
            cursorColumn_ = 0;
        } else {
            line.insert(cursorColumn_, 1, c);
            ++cursorColumn_;
        }
    }
    normalise();
}

void MemoryOutputArea::backspace() {
    if (lines_.empty()) {
        return;
    }
    Text& line = lines_[static_cast<std::size_t>(cursorLine_)];
    if (cursorColumn_ > 0) {
        line.erase(cursorColumn_ - 1, 1);
        --cursorColumn_;
        touch(cursorLine_);
    } else if (cursorLine_ > 0) {
        Text& above = lines_[static_cast<std::size_t>(cursorLine_ - 1)];
        cursorColumn_ = above.size();
        above += line;
        lines_.erase(lines_.begin() + cursorLine_);
        --cursorLine_;
        touch(cursorLine_);
    }
    normalise();
}

void MemoryOutputArea::moveTo(LineIndex line, std::size_t column) {
    cursorLine_ = std::clamp<LineIndex>(line, 0, std::max<LineIndex>(count() - 1, 0));
    cursorColumn_ = std::min(column, get(cursorLine_).size());
}

void MemoryOutputArea::moveToEndOfLine(LineIndex line) {
    moveTo(line, get(line).size());
}

void MemoryOutputArea::clear() {
    lines_.clear();
    touch(0);
    cursorLine_ = 0;
    cursorColumn_ = 0;
}

}  // namespace i2ct
