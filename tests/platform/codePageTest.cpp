#include "platform/codePage.h"

#include <gtest/gtest.h>

namespace ovcache {

TEST(CodePage, cp1252RoundTripsEveryByteThroughUtf8)
{
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(all)), all);
}

TEST(CodePage, highBytesMapLikeWindows)
{
    EXPECT_EQ(AnsiToUtf8("\x80"), "\u20AC");
    EXPECT_EQ(AnsiToUtf8("caf\xE9"), "caf\u00E9");
    // The five undefined bytes stand for the C1 controls of the same value.
    EXPECT_EQ(AnsiToUtf8("\x81\x8D\x8F\x90\x9D"), "\u0081\u008D\u008F\u0090\u009D");
}

TEST(CodePage, unrepresentableCharactersBecomeQuestionMarks)
{
    EXPECT_EQ(Utf8ToAnsi("\u0416x"), "?x"); // Cyrillic
    EXPECT_EQ(Utf8ToAnsi("a\xFF"
                         "b"),
              "a?b");                             // malformed UTF-8
    EXPECT_EQ(Utf16ToAnsi(u"\U0001F600!"), "?!"); // a surrogate pair is one character
    EXPECT_EQ(Utf16ToAnsi(u"\u20AC5"), "\x80"
                                       "5");
}

TEST(CodePage, foldsCaseOfAccentedLettersToo)
{
    EXPECT_EQ(FoldCaseAnsi("CACHE.INI"), "cache.ini");
    EXPECT_EQ(FoldCaseAnsi("\xC9T\xC9"), "\xE9t\xE9");
    EXPECT_EQ(FoldCaseAnsi("\xD7"), "\xD7"); // the multiplication sign has no case
}

// The player's own code page: Cyrillic in 1251, Central European in 1250,
// each converted and folded as Windows does; 1252 again afterwards.
TEST(CodePage, thePlayersCodePageConvertsAndFoldsItsOwnLetters)
{
    const struct {
        unsigned codePage;
        std::string upper, lower, utf8;
    } rows[] = {
        {1251, "\xCA\xD0\xC5\xCF\xCE\xD1\xD2\xDC\xD7\xDF\xA8", "\xEA\xF0\xE5\xEF\xEE\xF1\xF2\xFC\xF7\xFF\xB8",
         "\u041A\u0420\u0415\u041F\u041E\u0421\u0422\u042C\u0427\u042F\u0401"},
        {1250,
         "\xA3\xD3"
         "DZ\x8F",
         "\xB3\xF3"
         "dz\x9F",
         "\u0141\u00D3DZ\u0179"},
        {1253, "\xC1\xD9", "\xE1\xF9", "\u0391\u03A9"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.codePage);
        ASSERT_TRUE(UseAnsiCodePage(row.codePage));
        EXPECT_EQ(AnsiToUtf8(row.upper), row.utf8);
        EXPECT_EQ(Utf8ToAnsi(row.utf8), row.upper);
        EXPECT_EQ(FoldCaseAnsi(row.upper), row.lower);
    }
    EXPECT_FALSE(UseAnsiCodePage(65001)); // not a single-byte code page
    ASSERT_TRUE(UseAnsiCodePage(1252));
    EXPECT_EQ(FoldCaseAnsi("\xD7"), "\xD7");
}

} // namespace ovcache
