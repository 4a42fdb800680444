#include "catalogue/listOrder.h"

#include "platform/codePage.h"

#include <algorithm>
#include <iterator>
#include <string_view>

namespace ovcache {
namespace {

// The letter without its accent of each of U+00C0-U+017F (folded already),
// "." where the character keeps its place (the signs, thorn).
constexpr std::string_view kLatinBase = "aaaaaaaceeeeiiiidnooooo.ouuuuy.saaaaaaaceeeeiiiidnooooo.ouuuuy."
                                        "yaaaaaaccccccccddddeeeeeeeeeegggggggghhhhiiiiiiiiiiiijjkkkllllllllllnnnnnnnnno"
                                        "ooooooorrrrrrssssssssttttttuuuuuuuuuuuuwwyyyzzzzzzs";
static_assert(kLatinBase.size() == 0x180 - 0xC0);

// The code point at text[i], advancing i; folded text is UTF-8 but for a
// stray byte, which stands for itself.
char32_t Next(std::string_view text, std::size_t& i)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    if (lead < 0x80 || i + extra >= text.size()) {
        ++i;
        return lead;
    }
    char32_t cp = lead & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k)
        cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    i += extra + 1;
    return cp;
}

} // namespace

std::string ListKey(std::string_view name)
{
    std::string key = FoldCase(name);
    if (IsAscii(key))
        return key; // as nearly every name is
    std::string plain;
    plain.reserve(key.size());
    for (std::size_t i = 0; i < key.size();) {
        const std::size_t at = i;
        const char32_t cp = Next(key, i);
        if (cp >= 0xC0 && cp < 0x180 && kLatinBase[cp - 0xC0] != '.')
            plain += kLatinBase[cp - 0xC0];
        else
            plain.append(key, at, i - at);
    }
    return plain;
}

namespace {

// Names whose keys are equal, ordered by their folded text, then their own.
bool TieBefore(std::string_view a, std::string_view b)
{
    const std::string foldedA = FoldCase(a), foldedB = FoldCase(b);
    return foldedA != foldedB ? foldedA < foldedB : a < b;
}

} // namespace

void AddInListOrder(std::vector<std::string>& rows, std::vector<std::string> added)
{
    // Each name's key made once; the rare tie is settled from the names.
    struct Keyed {
        std::string key, name;
    };
    const auto before = [](const Keyed& a, const Keyed& b) {
        return a.key != b.key ? a.key < b.key : TieBefore(a.name, b.name);
    };
    std::vector<Keyed> keyed;
    keyed.reserve(added.size());
    for (std::string& name : added) {
        std::string key = ListKey(name);
        keyed.push_back({std::move(key), std::move(name)});
    }
    std::vector<std::string>().swap(added);
    std::sort(keyed.begin(), keyed.end(), before);
    std::vector<std::string> merged;
    merged.reserve(rows.size() + keyed.size());
    auto next = keyed.begin();
    for (std::string& row : rows) {
        Keyed held{ListKey(row), std::move(row)};
        for (; next != keyed.end() && before(*next, held); ++next)
            merged.push_back(std::move(next->name));
        merged.push_back(std::move(held.name));
    }
    for (; next != keyed.end(); ++next)
        merged.push_back(std::move(next->name));
    rows = std::move(merged);
}

} // namespace ovcache
