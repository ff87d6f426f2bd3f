#pragma once
// One contract for every output area: the in-memory one, the Qt editor and the rich-text edit
// control of the Windows window, each driven through the port and the user's keys.

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "platform/window.h"

namespace i2ct::test {

// The lines, each ending in "|"; lines that do not exist are empty.
inline Text Lines(const OutputArea& area) {
    Text all = area.get(-1) + area.get(area.count());
    for (LineIndex i = 0; i < area.count(); ++i) all += area.get(i) + '|';
    return all;
}

struct Op {
    char kind;
    Text text = {};
    LineIndex line = 0;
    std::size_t column = 0;
};
struct AreaCase {
    const char* name;
    std::vector<Op> ops;
    Text lines;
    std::pair<LineIndex, std::size_t> cursor;
    LineIndex touched;
};

template <class Area>
void CheckArea(Area&& area, const AreaCase& c) {
    for (const Op& op : c.ops) {
        op.kind == 'a'   ? area.append(op.text)
        : op.kind == 's' ? area.set(op.line, op.text)
        : op.kind == 'i' ? area.insert(op.line, op.text)
        : op.kind == 'c' ? area.clearTouched()
        : op.kind == 't' ? area.type(op.text)
        : op.kind == 'b' ? area.backspace()
                         : area.moveTo(op.line, op.column);
    }
    EXPECT_EQ(Lines(area), c.lines);
    EXPECT_EQ(std::make_pair(area.cursorLine(), area.cursorColumn()), c.cursor);
    EXPECT_EQ(area.firstTouchedLine(), c.touched);
}

inline const Text kAnsi = "\xC4\xD6\xDC\xE4\xF6\xFC\xDF \x80 \xB4";  // ÄÖÜäöüß € ´
// The steps a(ppend), s(et), i(nsert), c(learTouched) and the user's t(ype), b(ackspace) and
// m(ove); then the lines, the insertion point and the first touched line.
// clang-format off
inline const AreaCase kAreaCases[] = {
    {"Empty", {}, "", {0, 0}, 0},
    {"AppendBreaksBetweenLines", {{'a', "a"}, {'a', ""}}, "a||", {1, 0}, 0},
    {"ClearedTouchesNothing", {{'a', "a"}, {'c'}}, "a|", {0, 1}, 1},
    {"SetReplacesALine", {{'a', "one"}, {'a', "two"}, {'c'}, {'s', "TWO!", 1}}, "one|TWO!|", {1, 4}, 1},
    {"SetBeyondTheEndExtendsTheLastLine",
     {{'a', "one"}, {'a', "#"}, {'c'}, {'s', "tail", 5}, {'s', "", 2}}, "one|#tail|", {1, 5}, 1},
    {"InsertPushesLinesDown", {{'a', "one"}, {'a', "three"}, {'i', "zero", 0}, {'c'}, {'i', "two", 2}},
     "zero|one|two|three|", {3, 0}, 2},
    {"InsertAtOrBeyondTheEndAppends", {{'a', "one"}, {'c'}, {'i', "two", 1}, {'i', "six", 7}}, "one|two|six|", {2, 3}, 0},
    {"TypingFollowsTheResultLine",
     {{'a', "#WR 0072 01"}, {'a', ""}, {'i', "!WR > OK ", 1}, {'s', "#", 2}, {'t', "rd"}},
     "#WR 0072 01|!WR > OK |#rd|", {2, 3}, 0},
    {"TypingFollowsAnInsert", {{'a', "one"}, {'a', ""}, {'s', "?SET ", 1}, {'i', "x", 1}, {'t', "T"}},
     "one|x|T?SET |", {2, 1}, 0},
    {"Windows1252ByteForByte", {{'a', kAnsi}, {'t', " \xC4\x80"}}, kAnsi + " \xC4\x80|", {0, 14}, 0},
    {"EnterSplitsALine", {{'a', "a"}, {'a', "bc"}, {'c'}, {'m', "", 1, 1}, {'t', "\n"}}, "a|b|c|", {2, 0}, 1},
    {"BackspaceInsideALine", {{'a', "bcd"}, {'a', "a"}, {'m', "", 0, 2}, {'b'}}, "bd|a|", {0, 1}, 0},
    {"BackspaceJoinsLines", {{'a', "a"}, {'a', "b"}, {'c'}, {'m', "", 1, 0}, {'b'}}, "ab|", {0, 1}, 0},
    {"TheEmptiedAreaHasNoLines", {{'t', "x"}, {'b'}}, "", {0, 0}, 0},
    {"EmptyingTheOnlyLineLeavesNone", {{'a', "x"}, {'c'}, {'s', "", 0}}, "", {0, 0}, 0},
    {"EnterOnTheEmptyArea", {{'t', "\n"}}, "||", {1, 0}, 0},
};
// clang-format on

}  // namespace i2ct::test
