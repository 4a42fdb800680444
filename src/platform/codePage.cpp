#include "platform/codePage.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "platform/codePageSystem.h"

namespace ovcache {
namespace {

// Windows-1252's bytes 0x80-0x9F; the rest of it is Latin-1.
constexpr std::array<char16_t, 32> k1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// The lower-case letter of an upper-case one, for the scripts the ANSI code
// pages hold: Latin (Latin-1 and Extended-A), Greek and Cyrillic.
char32_t SimpleLower(char32_t c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return c + 0x20;
    if (c == 0x178)
        return 0xFF;
    if (c >= 0x100 && c <= 0x137 && c != 0x130 && c % 2 == 0)
        return c + 1;
    if ((c >= 0x139 && c <= 0x148 && c % 2 == 1) || (c >= 0x179 && c <= 0x17E && c % 2 == 1))
        return c + 1;
    if (c >= 0x14A && c <= 0x177 && c % 2 == 0)
        return c + 1;
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2)
        return c + 0x20;
    if (c == 0x386)
        return 0x3AC;
    if (c >= 0x388 && c <= 0x38A)
        return c + 0x25;
    if (c == 0x38C)
        return 0x3CC;
    if (c == 0x38E || c == 0x38F)
        return c + 0x3F;
    if (c >= 0x410 && c <= 0x42F)
        return c + 0x20;
    if (c >= 0x400 && c <= 0x40F)
        return c + 0x50;
    if (c == 0x490)
        return 0x491;
    return c;
}

struct CodePage {
    unsigned id = 0;
    std::array<char32_t, 128> high{}; // bytes 0x80-0xFF
};

CodePage Make1252()
{
    CodePage page;
    page.id = 1252;
    for (unsigned b = 0x80; b < 0x100; ++b)
        page.high[b - 0x80] = b < 0xA0 ? k1252High[b - 0x80] : b;
    return page;
}

CodePage& Active()
{
    static CodePage page = Make1252();
    return page;
}

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 sequence at text[i], advancing i; returns U+FFFD for a
// malformed or overlong sequence after consuming one byte. A surrogate's
// three bytes are malformed unless surrogates are taken, as from a name
// Windows gave.
char32_t NextUtf8(std::string_view text, std::size_t& i, bool surrogates = false)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    int extra = 0;
    char32_t cp = 0;
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        cp = lead & 0x07;
    } else {
        ++i;
        return 0xFFFD;
    }
    if (i + extra >= text.size()) {
        ++i;
        return 0xFFFD;
    }
    for (int k = 1; k <= extra; ++k) {
        const auto c = static_cast<unsigned char>(text[i + k]);
        if ((c & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[extra] || cp > 0x10FFFF || (!surrogates && cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return 0xFFFD;
    }
    i += extra + 1;
    return cp;
}

} // namespace

bool UseAnsiCodePage(unsigned codePage)
{
    if (codePage == Active().id)
        return true;
    if (codePage == 1252) {
        Active() = Make1252();
        return true;
    }
    CodePage page;
    page.id = codePage;
    if (codePage == 0 || codePage == 65001 || !ReadHighHalf(codePage, page.high))
        return false; // not a single-byte code page this system knows
    Active() = page;
    return true;
}

unsigned AnsiCodePage()
{
    return Active().id;
}

bool IsAscii(std::string_view text)
{
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

std::string AnsiToUtf8(std::string_view text)
{
    if (IsAscii(text)) // the common case, and the same in both
        return std::string(text);
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        AppendUtf8(out, byte < 0x80 ? char32_t{byte} : Active().high[byte - 0x80]);
    }
    return out;
}

std::u16string Utf8ToUtf16(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const char32_t cp = NextUtf8(text, i, /*surrogates=*/true);
        if (cp >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00);
        AppendUtf8(out, cp);
    }
    return out;
}

bool IsUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t at = i;
        if (NextUtf8(text, i) == 0xFFFD && i == at + 1) // U+FFFD itself takes three
            return false;
    }
    return true;
}

namespace {

// The letter without its accent of each of U+00C0-U+017F (lower case), "."
// where the character keeps its place (the signs, thorn).
constexpr std::string_view kLatinBase = "aaaaaaaceeeeiiiidnooooo.ouuuuy.saaaaaaaceeeeiiiidnooooo.ouuuuy."
                                        "yaaaaaaccccccccddddeeeeeeeeeegggggggghhhhiiiiiiiiiiiijjkkkllllllllllnnnnnnnnno"
                                        "ooooooorrrrrrssssssssttttttuuuuuuuuuuuuwwyyyzzzzzzs";
static_assert(kLatinBase.size() == 0x180 - 0xC0);

char32_t LowerWithoutAccent(char32_t c)
{
    const char32_t lower = SimpleLower(c);
    return lower >= 0xC0 && lower < 0x180 && kLatinBase[lower - 0xC0] != '.' ? kLatinBase[lower - 0xC0] : lower;
}

// Lowers the ASCII letters of text in place, eight bytes at a time, up to its
// first byte that is not ASCII; returns where that is (the size when none).
std::size_t LowerAsciiInPlace(std::string& text)
{
    constexpr std::uint64_t kOnes = 0x0101010101010101, kHigh = 0x8080808080808080;
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, text.data() + i, 8);
        if (word & kHigh)
            break;
        // Each byte is below 0x80, so no sum carries into the next byte:
        // the high bit says "at least A", then "above Z".
        const std::uint64_t upper = (word + (0x80 - 'A') * kOnes) & ~(word + (0x80 - 'Z' - 1) * kOnes) & kHigh;
        word |= upper >> 2; // 0x80 >> 2 is the 0x20 between the cases
        std::memcpy(text.data() + i, &word, 8);
    }
    for (; i < text.size() && static_cast<unsigned char>(text[i]) < 0x80; ++i)
        if (text[i] >= 'A' && text[i] <= 'Z')
            text[i] = static_cast<char>(text[i] + 0x20);
    return i;
}

// Maps each character of text; ASCII letters are lowered in place.
template <typename Map> void FoldInPlace(std::string& text, Map map)
{
    std::size_t i = LowerAsciiInPlace(text);
    if (i == text.size())
        return; // ASCII, as nearly every name is
    std::string out(text, 0, i);
    out.reserve(text.size());
    while (i < text.size()) {
        const std::size_t at = i;
        const char32_t cp = NextUtf8(text, i, /*surrogates=*/true);
        if (cp == 0xFFFD && i == at + 1)
            out += text[at]; // a malformed byte stays itself, matching only itself
        else
            AppendUtf8(out, map(cp));
    }
    text = std::move(out);
}

} // namespace

void FoldCaseInPlace(std::string& text)
{
    FoldInPlace(text, SimpleLower);
}

void FoldCaseAndAccentsInPlace(std::string& text)
{
    FoldInPlace(text, LowerWithoutAccent);
}

std::string FoldCaseAndAccents(std::string_view text)
{
    std::string out(text);
    FoldInPlace(out, LowerWithoutAccent);
    return out;
}

std::string FoldCase(std::string_view text)
{
    std::string out(text);
    FoldCaseInPlace(out);
    return out;
}

} // namespace ovcache
