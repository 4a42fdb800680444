#include "platform/codePage.h"

#include <gtest/gtest.h>

#include <set>

namespace ovcache {

TEST(CodePage, highBytesMapLikeWindows)
{
    EXPECT_EQ(AnsiToUtf8("\x80"), "\u20AC");
    EXPECT_EQ(AnsiToUtf8("caf\xE9"), "caf\u00E9");
    // The five undefined bytes stand for the C1 controls of the same value.
    EXPECT_EQ(AnsiToUtf8("\x81\x8D\x8F\x90\x9D"), "\u0081\u008D\u008F\u0090\u009D");
}

// Windows' names need not be well-formed UTF-16: a lone surrogate survives
// the trip through the program's UTF-8, so that such a file can be reached.
TEST(CodePage, utf16NamesComeBackAsTheyWere)
{
    for (const std::u16string& name : {std::u16string(u"Micha\u0142.kmx"), std::u16string(u"\U0001F600!"),
                                       std::u16string(u"a\xD800.kmx"), std::u16string(u"\xDC00")}) {
        const std::string text = Utf16ToUtf8(name);
        EXPECT_EQ(Utf8ToUtf16(text), name);
    }
    EXPECT_EQ(Utf8ToUtf16("a\xFF"
                          "b"),
              u"a\uFFFDb");
    EXPECT_TRUE(IsUtf8("Micha\u0142 \uFFFD"));
    EXPECT_FALSE(IsUtf8("caf\xE9"));
    EXPECT_FALSE(IsUtf8("\xED\xA0\x80")); // a surrogate is no character of UTF-8
}

TEST(CodePage, foldsCaseOfAccentedLettersToo)
{
    EXPECT_EQ(FoldCase("CACHE.INI"), "cache.ini");
    // every ASCII byte, at every place in a run of eight
    std::string ascii, lowered;
    for (int c = 1; c < 0x80; ++c) {
        ascii += static_cast<char>(c);
        lowered += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 0x20 : c);
    }
    for (std::size_t shift = 0; shift < 8; ++shift)
        EXPECT_EQ(FoldCase(ascii.substr(shift) + "\u00C9" + ascii), lowered.substr(shift) + "\u00E9" + lowered);
    EXPECT_EQ(FoldCase("\u00C9T\u00C9 MICHA\u0141"), "\u00E9t\u00E9 micha\u0142");
    EXPECT_EQ(FoldCase("\u00D7"), "\u00D7"); // the multiplication sign has no case
    // a malformed byte is kept, matching nothing but itself
    EXPECT_EQ(FoldCase("A\xC9"
                       "B"),
              "a\xC9"
              "b");
}

// The player's own code page: Cyrillic in 1251, Central European in 1250,
// Greek in 1253, each byte one character of its own; the letters fold as
// Windows folds them. 1252 again afterwards.
TEST(CodePage, thePlayersCodePageConvertsItsOwnLetters)
{
    const struct {
        unsigned codePage;
        std::string upper, lower, utf8;
    } rows[] = {
        {1252, "\xC9T\xC9", "\xE9t\xE9", "\u00C9T\u00C9"},
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
        EXPECT_EQ(FoldCase(AnsiToUtf8(row.upper)), AnsiToUtf8(row.lower));
        std::set<std::string> characters;
        for (int b = 1; b < 256; ++b)
            characters.insert(AnsiToUtf8(std::string(1, static_cast<char>(b))));
        EXPECT_EQ(characters.size(), 255u);
    }
    EXPECT_FALSE(UseAnsiCodePage(65001)); // not a single-byte code page
    ASSERT_TRUE(UseAnsiCodePage(1252));
}

} // namespace ovcache
