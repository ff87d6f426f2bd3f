#include <gtest/gtest.h>

#include "interpreter/hex.h"
#include "interpreter/tail.h"

namespace i2ct {
namespace {

TEST(HexChars, FindsTheFirstCharacterThatIsNeitherDigitNorBlank) {
    EXPECT_EQ(CheckHexChars("0072 DF 03 9E"), 0u);
    EXPECT_EQ(CheckHexChars("0072 DX"), 7u);
    EXPECT_EQ(CheckHexChars("0072 df"), 0u);
    EXPECT_EQ(CheckHexChars(""), 0u);
    EXPECT_EQ(CheckHexChars("0072\tDF"), 5u);
    EXPECT_EQ(CheckHexChars(Text(1, kUnmappable)), 1u);
    Text longText(200, 'A');
    longText[149] = 'G';
    EXPECT_EQ(CheckHexChars(longText), 150u) << "positions are not limited to a byte";
}

TEST(HexLayout, AcceptsAddressAndBytesWithOneOptionalTrailingBlank) {
    for (const char* ok : {"0072", "0072 ", "0072 DF 03", "0072 DF 03 ", "00G2 XX"}) {
        EXPECT_EQ(CheckHexLayout(ok), 0u) << '"' << ok << '"';
    }
}

TEST(HexLayout, ReportsWhereTheLayoutBreaks) {
    EXPECT_EQ(CheckHexLayout("00 72 DF"), 3u);
    EXPECT_EQ(CheckHexLayout(" 072"), 1u);
    EXPECT_EQ(CheckHexLayout("00720 DF"), 5u);
    EXPECT_EQ(CheckHexLayout("0072  DF"), 6u);
    EXPECT_EQ(CheckHexLayout("0072 D"), 6u);
    EXPECT_EQ(CheckHexLayout("0072 DF3"), 8u);
    EXPECT_EQ(CheckHexLayout("0072 DF  "), 9u) << "two trailing blanks";
    EXPECT_EQ(CheckHexLayout("0072 DF 0"), 9u);
}

TEST(HexBytes, ValueAndText) {
    EXPECT_EQ(HexByteValue("DF"), 0xDF);
    EXPECT_EQ(HexByteValue("df"), 0xDF);
    EXPECT_EQ(HexByteValue("0a"), 0x0A);
    EXPECT_EQ(HexByteText(10), "0A");
    EXPECT_EQ(HexByteText(255), "FF");
    EXPECT_EQ(HexByteText(0), "00");
    EXPECT_EQ(HexShortText(5), "5");
    EXPECT_EQ(HexShortText(0), "0");
    EXPECT_EQ(HexShortText(0x73), "73");
    for (int v = 0; v < 256; ++v) {
        EXPECT_EQ(HexByteValue(HexByteText(static_cast<std::uint8_t>(v))), v);
    }
}

TEST(Tail, RemovesWordsAndReadsNumbers) {
    Text t = "SET FILTER 0SET4";
    RemoveAll(t, "SET");
    EXPECT_EQ(t, " FILTER 04");
    t = "WR 0072 WR";
    RemoveAll(t, "WR");
    RemoveLeadingBlanks(t);
    EXPECT_EQ(t, "0072 ");
    t = "SPEED";
    DropFirstWord(t);
    EXPECT_EQ(t, "");
    t = "SPE   1500";
    DropFirstWord(t);
    EXPECT_EQ(t, "1500");
    EXPECT_EQ(FirstWord("INT 1"), "INT");
    EXPECT_EQ(ReadInteger("1500Hz"), 1500);
    EXPECT_EQ(ReadInteger("abc"), 0);
    EXPECT_EQ(ReadInteger("$5DC"), 1500);
    EXPECT_EQ(ReadInteger("%101"), 5);
    EXPECT_EQ(ReadInteger(" \t-12"), -12);
    EXPECT_EQ(ReadInteger("+7"), 7);
    EXPECT_EQ(ReadInteger("99999999999"), 2147483647);
    EXPECT_EQ(ReadInteger("-99999999999"), -2147483647 - 1);
}

}  // namespace
}  // namespace i2ct
