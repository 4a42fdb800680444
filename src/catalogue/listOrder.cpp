#include "catalogue/listOrder.h"

#include "platform/codePage.h"

#include <algorithm>
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
        std::string key = FoldCaseAndAccents(name);
        keyed.push_back({std::move(key), std::move(name)});
    }
    std::vector<std::string>().swap(added);
    std::sort(keyed.begin(), keyed.end(), before);
    std::vector<std::string> merged;
    merged.reserve(rows.size() + keyed.size());
    auto next = keyed.begin();
    for (std::string& row : rows) {
        Keyed held{FoldCaseAndAccents(row), std::move(row)};
        for (; next != keyed.end() && before(*next, held); ++next)
            merged.push_back(std::move(next->name));
        merged.push_back(std::move(held.name));
    }
    for (; next != keyed.end(); ++next)
        merged.push_back(std::move(next->name));
    rows = std::move(merged);
}

} // namespace ovcache
