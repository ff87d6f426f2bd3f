#include <gtest/gtest.h>

#include "platform/text.h"

namespace i2ct {
namespace {

TEST(Text, GermanLettersBecomeSingleBytes) {
    EXPECT_EQ(cp1252("Mögliche"), "M\xF6gliche");
    EXPECT_EQ(cp1252("ÄÖÜäöüß"), "\xC4\xD6\xDC\xE4\xF6\xFC\xDF");
    EXPECT_EQ(cp1252("Pullup´s"), "Pullup\xB4s");
    EXPECT_EQ(cp1252("€ „quoted“ …"), "\x80 \x84quoted\x93 \x85");
    EXPECT_EQ(cp1252("Länge").size(), 5u) << "positions are those the user counts";
}

TEST(Text, RoundTripKeepsEveryAssignedByte) {
    for (int b = 1; b < 256; ++b) {
        const char c = static_cast<char>(b);
        if (c == kUnmappable || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) {
            continue;
        }
        const Text one(1, c);
        EXPECT_EQ(cp1252(utf8(one)), one) << "byte " << b;
    }
}

TEST(Text, CharactersOutsideTheCodePageNeverLookLikeInput) {
    for (const char* foreign : {"中", "😀", "Ω", "\xFF", "\xC3"}) {
        const Text t = cp1252(foreign);
        ASSERT_EQ(t.size(), 1u) << foreign;
        EXPECT_EQ(t[0], kUnmappable) << foreign;
        EXPECT_NE(t[0], '?');
        EXPECT_NE(t[0], ' ');
        EXPECT_NE(t[0], '#');
        EXPECT_NE(t[0], '%');
        EXPECT_EQ(upperCase(t[0]), kUnmappable);
    }
    EXPECT_EQ(cp1252(utf8(Text(1, kUnmappable))), Text(1, kUnmappable));
}

TEST(Text, UpperCaseFollowsTheCodePage) {
    EXPECT_EQ(upperCase(Text("wr 0072 df")), "WR 0072 DF");
    EXPECT_EQ(upperCase(cp1252("äöü ß ÿ š")), cp1252("ÄÖÜ ß Ÿ Š"));
    EXPECT_EQ(upperCase(cp1252("÷")), cp1252("÷"));
}

}  // namespace
}  // namespace i2ct
