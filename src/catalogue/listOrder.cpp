#include "catalogue/listOrder.h"

#include "platform/codePage.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string_view>

namespace ovcache {
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
    // Each name's key made once, into one buffer; the names are ordered by
    // small records that compare the keys' first bytes as one number, and
    // only then the keys, and for the rare tie the names.
    struct Item {
        std::uint64_t head; // the key's first eight bytes, big-endian
        std::uint32_t start, size, name;
    };
    std::string keys, key;
    std::vector<Item> items;
    items.reserve(added.size());
    keys.reserve(added.size() * 24);
    const auto itemOf = [&](const std::string& name, std::uint32_t k) {
        key.assign(name);
        FoldCaseAndAccentsInPlace(key);
        std::uint64_t head = 0;
        for (std::size_t b = 0; b < 8; ++b)
            head = head << 8 | (b < key.size() ? static_cast<unsigned char>(key[b]) : 0u);
        const auto start = static_cast<std::uint32_t>(keys.size());
        keys += key;
        return Item{head, start, static_cast<std::uint32_t>(key.size()), k};
    };
    const auto keyOf = [&](const Item& item) { return std::string_view(keys).substr(item.start, item.size); };
    const auto before = [&](const Item& a, const Item& b) {
        if (a.head != b.head)
            return a.head < b.head;
        const std::string_view ka = keyOf(a), kb = keyOf(b);
        return ka != kb ? ka < kb : TieBefore(added[a.name], added[b.name]);
    };
    for (std::size_t k = 0; k < added.size(); ++k)
        items.push_back(itemOf(added[k], static_cast<std::uint32_t>(k)));
    std::sort(items.begin(), items.end(), before);
    std::vector<std::string> merged;
    merged.reserve(rows.size() + items.size());
    auto next = items.begin();
    for (std::string& row : rows) {
        const std::string rowKey = FoldCaseAndAccents(row);
        const auto rowFirst = [&](const Item& item) {
            const std::string_view itemKey = keyOf(item);
            return itemKey != rowKey ? itemKey < rowKey : TieBefore(added[item.name], row);
        };
        for (; next != items.end() && rowFirst(*next); ++next)
            merged.push_back(std::move(added[next->name]));
        merged.push_back(std::move(row));
    }
    for (; next != items.end(); ++next)
        merged.push_back(std::move(added[next->name]));
    rows = std::move(merged);
}

} // namespace ovcache
