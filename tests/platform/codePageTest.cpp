#include "platform/codePage.h"

#include <gtest/gtest.h>

namespace ovcache {

TEST(CodePage, cp1252RoundTripsEveryByteThroughUtf8)
{
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
}

TEST(CodePage, highBytesMapLikeWindows)
{
    EXPECT_EQ(Cp1252ToUtf8("\x80"), "\u20AC");
    EXPECT_EQ(Cp1252ToUtf8("caf\xE9"), "caf\u00E9");
    // The five undefined bytes stand for the C1 controls of the same value.
    EXPECT_EQ(Cp1252ToUtf8("\x81\x8D\x8F\x90\x9D"), "\u0081\u008D\u008F\u0090\u009D");
}

TEST(CodePage, unrepresentableCharactersBecomeQuestionMarks)
{
    EXPECT_EQ(Utf8ToCp1252("\u0416x"), "?x"); // Cyrillic
    EXPECT_EQ(Utf8ToCp1252("a\xFF"
                           "b"),
              "a?b");                               // malformed UTF-8
    EXPECT_EQ(Utf16ToCp1252(u"\U0001F600!"), "?!"); // a surrogate pair is one character
    EXPECT_EQ(Utf16ToCp1252(u"\u20AC5"), "\x80"
                                         "5");
}

TEST(CodePage, foldsCaseOfAccentedLettersToo)
{
    EXPECT_EQ(FoldCaseCp1252("CACHE.INI"), "cache.ini");
    EXPECT_EQ(FoldCaseCp1252("\xC9T\xC9"), "\xE9t\xE9");
    EXPECT_EQ(FoldCaseCp1252("\xD7"), "\xD7"); // the multiplication sign has no case
}

} // namespace ovcache
