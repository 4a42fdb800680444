#include "catalogue/listOrder.h"

#include "platform/codePage.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace ovcache {

void ListRows::push_back(std::string_view name)
{
    if (text_.size() + name.size() > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("The list's names exceed 4 GiB");
    text_ += name;
    ends_.push_back(static_cast<std::uint32_t>(text_.size()));
}

void ListRows::reserve(std::size_t rows, std::size_t bytes)
{
    ends_.reserve(rows);
    text_.reserve(bytes);
}

void ListRows::clear()
{
    // the memory goes too: the list may have held 200,000 names
    std::string().swap(text_);
    std::vector<std::uint32_t>().swap(ends_);
}

namespace {

// Names whose keys are equal, ordered by their folded text, then their own.
bool TieBefore(std::string_view a, std::string_view b)
{
    const std::string foldedA = FoldCase(a), foldedB = FoldCase(b);
    return foldedA != foldedB ? foldedA < foldedB : a < b;
}

// The key's first eight bytes from at, big-endian, as one number.
std::uint64_t HeadOf(std::string_view key, std::size_t at)
{
    std::uint64_t head = 0;
    for (std::size_t b = at; b < at + 8; ++b)
        head = head << 8 | (b < key.size() ? static_cast<unsigned char>(key[b]) : 0u);
    return head;
}

} // namespace

void AddInListOrder(ListRows& rows, const ListRows& added)
{
    // Each name's key made once, into one buffer; the names are ordered by
    // small records that compare the keys' first sixteen bytes as two
    // numbers (names of one kind of map often share their first eight), and
    // only then the keys, and for the rare tie the names.
    struct Item {
        std::uint64_t head, next;
        std::uint32_t start, size, name;
    };
    std::string keys, key;
    std::vector<Item> items;
    items.reserve(added.size());
    keys.reserve(added.size() * 24);
    for (std::size_t k = 0; k < added.size(); ++k) {
        key.assign(added[k]);
        FoldCaseAndAccentsInPlace(key);
        items.push_back({HeadOf(key, 0), HeadOf(key, 8), static_cast<std::uint32_t>(keys.size()),
                         static_cast<std::uint32_t>(key.size()), static_cast<std::uint32_t>(k)});
        keys += key;
    }
    const auto keyOf = [&](const Item& item) { return std::string_view(keys).substr(item.start, item.size); };
    std::sort(items.begin(), items.end(), [&](const Item& a, const Item& b) {
        if (a.head != b.head || a.next != b.next)
            return a.head != b.head ? a.head < b.head : a.next < b.next;
        const std::string_view ka = keyOf(a), kb = keyOf(b);
        return ka != kb ? ka < kb : TieBefore(added[a.name], added[b.name]);
    });
    ListRows merged;
    merged.reserve(rows.size() + added.size(), rows.Bytes() + added.Bytes());
    auto next = items.begin();
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const std::string_view row = rows[r];
        const std::string rowKey = FoldCaseAndAccents(row);
        const auto rowFirst = [&](const Item& item) {
            const std::string_view itemKey = keyOf(item);
            return itemKey != rowKey ? itemKey < rowKey : TieBefore(added[item.name], row);
        };
        for (; next != items.end() && rowFirst(*next); ++next)
            merged.push_back(added[next->name]);
        merged.push_back(row);
    }
    for (; next != items.end(); ++next)
        merged.push_back(added[next->name]);
    rows = std::move(merged);
}

} // namespace ovcache
