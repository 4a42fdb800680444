#include "platform/foldedNames.h"

#include "platform/codePage.h"

#include <functional>

namespace ovcache {

std::string_view FoldName(std::string_view utf8, std::string& buffer)
{
    buffer.assign(utf8);
    FoldCaseInPlace(buffer);
    return buffer;
}

namespace {

std::uint64_t HashOf(std::string_view folded)
{
    return std::hash<std::string_view>()(folded);
}

} // namespace

void FoldedNames::Clear()
{
    std::string().swap(text_);
    std::vector<Entry>().swap(entries_);
    std::vector<Slot>().swap(slots_);
    count_ = used_ = 0;
}

// Calls visit(slot) for each slot from the hash's home on, until it returns
// false or an empty slot ends the run.
template <typename Slots, typename Visit> void FoldedNames::Probe(Slots& slots, std::uint64_t hash, Visit visit)
{
    if (slots.empty())
        return;
    const std::size_t mask = slots.size() - 1;
    for (std::size_t k = hash & mask;; k = (k + 1) & mask) {
        auto& slot = slots[k];
        if (slot.entry == kEmpty || !visit(slot))
            return;
    }
}

namespace {

std::uint32_t TagOf(std::uint64_t hash)
{
    return static_cast<std::uint32_t>(hash >> 32);
}

} // namespace

std::optional<std::string_view> FoldedNames::Find(std::string_view name, std::string_view folded) const
{
    std::optional<std::string_view> alike, same;
    const std::uint64_t hash = HashOf(folded);
    Probe(slots_, hash, [&](const Slot& slot) {
        if (slot.entry == kGone || slot.tag != TagOf(hash))
            return true;
        const std::string_view candidate = NameAt(slot.entry);
        if (candidate == name) {
            same = candidate;
            return false;
        }
        if (!alike && FoldName(candidate, buffer_) == folded)
            alike = candidate;
        return true;
    });
    return same ? same : alike;
}

void FoldedNames::Add(std::string_view name)
{
    // also when removed names fill more of the buffer than those there
    if ((used_ + 1) * 2 > slots_.size() || entries_.size() > count_ * 2 + 64)
        Rebuild();
    const std::uint64_t hash = HashOf(FoldName(name, buffer_));
    Slot* reuse = nullptr;
    bool there = false;
    Probe(slots_, hash, [&](Slot& slot) {
        if (slot.entry == kGone) {
            if (!reuse)
                reuse = &slot;
            return true;
        }
        there = slot.tag == TagOf(hash) && NameAt(slot.entry) == name;
        return !there;
    });
    if (there)
        return;
    const auto entry = static_cast<std::uint32_t>(entries_.size());
    entries_.push_back({static_cast<std::uint32_t>(text_.size()), static_cast<std::uint32_t>(name.size())});
    text_.append(name);
    if (!reuse) {
        const std::size_t mask = slots_.size() - 1;
        std::size_t k = hash & mask;
        while (slots_[k].entry != kEmpty)
            k = (k + 1) & mask;
        reuse = &slots_[k];
        ++used_;
    }
    *reuse = {TagOf(hash), entry};
    ++count_;
}

bool FoldedNames::Remove(std::string_view name)
{
    const std::uint64_t hash = HashOf(FoldName(name, buffer_));
    bool removed = false;
    Probe(slots_, hash, [&](Slot& slot) {
        if (slot.entry == kGone || slot.tag != TagOf(hash) || NameAt(slot.entry) != name)
            return true;
        slot.entry = kGone;
        --count_;
        removed = true;
        return false;
    });
    return removed;
}

// Makes room for at least one more name: the names still there are copied
// into a new buffer and table, leaving removed names and their slots behind.
void FoldedNames::Rebuild()
{
    // at most half in use, since most lookups miss; but no more than twice
    // that, since a folder can hold 200,000 names
    std::size_t size = 16;
    while (size < (count_ + 1) * 2)
        size *= 2;
    std::vector<Slot> old(size);
    old.swap(slots_);
    std::string text;
    std::vector<Entry> entries;
    text.reserve(text_.size());
    entries.reserve(count_ + 1);
    const std::size_t mask = size - 1;
    for (const Slot& slot : old) {
        if (slot.entry == kEmpty || slot.entry == kGone)
            continue;
        const std::string_view name = NameAt(slot.entry);
        const std::uint64_t hash = HashOf(FoldName(name, buffer_));
        std::size_t k = hash & mask;
        while (slots_[k].entry != kEmpty)
            k = (k + 1) & mask;
        slots_[k] = {TagOf(hash), static_cast<std::uint32_t>(entries.size())};
        entries.push_back({static_cast<std::uint32_t>(text.size()), static_cast<std::uint32_t>(name.size())});
        text.append(name);
    }
    text_.swap(text);
    entries_.swap(entries);
    used_ = count_;
}

} // namespace ovcache
