#include <gtest/gtest.h>

#include "platform/text.h"

namespace i2ct {
namespace {

TEST(Text, ConvertsAndRaisesByTheCodePage) {
    // Spelled out, not kUnmappable, so that no command check can accept it; U+0080 has no byte.
    EXPECT_EQ(cp1252("中😀Ω\xC2\x80"), "\x81\x81\x81\x81");
    EXPECT_EQ(cp1252("\xFF-\xC3(\xC3"), "\x81-\x81(\x81");  // a stray byte, unfinished sequences
    EXPECT_EQ(utf8("\x80\x81\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8E\x91\x92\x93\x94\x95"
                   "\x96\x97\x98\x99\x9A\x9B\x9C\x9E\x9F"),
              "€\xEF\xBF\xBD‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ");
    for (int b = 0; b < 256; ++b) {
        const Text one(1, static_cast<char>(b));
        const bool unassigned = b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
        EXPECT_EQ(cp1252(utf8(one)), unassigned ? "\x81" : one) << "byte " << b;
    }
    EXPECT_EQ(upperCase(cp1252("wr 0072 az`{ àäöþ ß ÷ ÿ š œ ž µ 中")),
              cp1252("WR 0072 AZ`{ ÀÄÖÞ ß ÷ Ÿ Š Œ Ž µ 中"));
}

}  // namespace
}  // namespace i2ct
