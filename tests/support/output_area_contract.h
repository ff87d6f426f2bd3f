#pragma once
// Contract tests that every OutputArea implementation passes: the in-memory double and the Qt
// editor. Instantiate with a fixture type that has `OutputArea& area()`.

#include <gtest/gtest.h>

#include "platform/window.h"

namespace i2ct::test {

template <class Fixture>
class OutputAreaContract : public ::testing::Test {
  protected:
    Fixture fixture;
    OutputArea& area() { return fixture.area(); }
    void fill(std::initializer_list<const char*> lines) {
        for (const char* l : lines) {
            area().append(l);
        }
    }
    std::vector<Text> lines() {
        std::vector<Text> all;
        for (LineIndex i = 0; i < area().count(); ++i) {
            all.push_back(area().get(i));
        }
        return all;
    }
};

TYPED_TEST_SUITE_P(OutputAreaContract);

TYPED_TEST_P(OutputAreaContract, EmptyAreaHasNoLinesAndEmptyGets) {
    EXPECT_EQ(this->area().count(), 0);
    EXPECT_EQ(this->area().get(0), "");
    EXPECT_EQ(this->area().get(-1), "");
}

TYPED_TEST_P(OutputAreaContract, AppendAddsLinesWithBreaksBetween) {
    this->area().append("a");
    EXPECT_EQ(this->area().count(), 1);
    this->area().append("");
    EXPECT_EQ(this->area().count(), 2) << "an empty last line counts";
    this->area().append("c");
    EXPECT_EQ(this->lines(), (std::vector<Text>{"a", "", "c"}));
    EXPECT_EQ(this->area().get(3), "");
}

TYPED_TEST_P(OutputAreaContract, SetReplacesAnExistingLineAndKeepsItsBreak) {
    this->fill({"one", "two", "three"});
    this->area().set(1, "TWO!");
    EXPECT_EQ(this->lines(), (std::vector<Text>{"one", "TWO!", "three"}));
}

TYPED_TEST_P(OutputAreaContract, SetBeyondTheEndExtendsTheLastLine) {
    this->fill({"one", "#"});
    this->area().set(5, "tail");
    EXPECT_EQ(this->lines(), (std::vector<Text>{"one", "#tail"}));
    this->area().set(2, "");
    EXPECT_EQ(this->area().count(), 2);
}

TYPED_TEST_P(OutputAreaContract, SetOnAnEmptyAreaWritesTheFirstLine) {
    this->area().set(0, "%");
    EXPECT_EQ(this->lines(), (std::vector<Text>{"%"}));
}

TYPED_TEST_P(OutputAreaContract, InsertPushesLinesDown) {
    this->fill({"one", "three"});
    this->area().insert(1, "two");
    EXPECT_EQ(this->lines(), (std::vector<Text>{"one", "two", "three"}));
    this->area().insert(0, "zero");
    EXPECT_EQ(this->lines(), (std::vector<Text>{"zero", "one", "two", "three"}));
}

TYPED_TEST_P(OutputAreaContract, InsertBeyondTheEndAppends) {
    this->fill({"one"});
    this->area().insert(7, "two");
    EXPECT_EQ(this->lines(), (std::vector<Text>{"one", "two"}));
}

TYPED_TEST_P(OutputAreaContract, InsertIntoAnEmptyAreaAddsNoLeadingBreak) {
    this->area().insert(0, "first");
    EXPECT_EQ(this->lines(), (std::vector<Text>{"first"}));
}

TYPED_TEST_P(OutputAreaContract, ResultLineSequenceLeavesThePromptLast) {
    // What a result line does below a command on the last line: insert, then set the prompt.
    this->fill({"#WR 0072 01", ""});
    this->area().insert(1, "!WR > OK ");
    this->area().set(2, "#");
    EXPECT_EQ(this->lines(), (std::vector<Text>{"#WR 0072 01", "!WR > OK ", "#"}));
}

TYPED_TEST_P(OutputAreaContract, TextIsWindows1252ByteForByte) {
    const Text umlauts = "\xC4\xD6\xDC\xE4\xF6\xFC\xDF \x80 \xB4";  // ÄÖÜäöüß € ´
    this->area().append(umlauts);
    EXPECT_EQ(this->area().get(0), umlauts);
}

TYPED_TEST_P(OutputAreaContract, TouchedLineMarksTheLowestChange) {
    this->fill({"a", "b", "c", "d"});
    this->area().clearTouched();
    EXPECT_EQ(this->area().firstTouchedLine(), this->area().count());
    this->area().set(2, "C");
    EXPECT_LE(this->area().firstTouchedLine(), 2);
    this->area().insert(1, "x");
    EXPECT_LE(this->area().firstTouchedLine(), 1);
    this->area().clearTouched();
    this->area().append("e");
    EXPECT_GE(this->area().firstTouchedLine(), 3) << "an append touches no line above the end";
    EXPECT_LE(this->area().firstTouchedLine(), 4);
}

TYPED_TEST_P(OutputAreaContract, LongAreasKeepEveryLine) {
    for (int i = 0; i < 300; ++i) {
        this->area().append(std::to_string(i));
    }
    EXPECT_EQ(this->area().count(), 300);
    EXPECT_EQ(this->area().get(250), "250");
    this->area().insert(150, "x");
    EXPECT_EQ(this->area().get(151), "150");
    EXPECT_EQ(this->area().count(), 301);
}

REGISTER_TYPED_TEST_SUITE_P(OutputAreaContract, EmptyAreaHasNoLinesAndEmptyGets,
                            AppendAddsLinesWithBreaksBetween,
                            SetReplacesAnExistingLineAndKeepsItsBreak,
                            SetBeyondTheEndExtendsTheLastLine, SetOnAnEmptyAreaWritesTheFirstLine,
                            InsertPushesLinesDown, InsertBeyondTheEndAppends,
                            InsertIntoAnEmptyAreaAddsNoLeadingBreak,
                            ResultLineSequenceLeavesThePromptLast, TextIsWindows1252ByteForByte,
                            TouchedLineMarksTheLowestChange, LongAreasKeepEveryLine);

}  // namespace i2ct::test
