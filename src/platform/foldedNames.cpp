#include "platform/foldedNames.h"

#include "platform/codePage.h"

#include <functional>

namespace ovcache {

std::string_view FoldName(std::string_view utf8, std::string& buffer)
{
    if (IsAscii(utf8))
        buffer.assign(utf8);
    else
        buffer = Utf8ToCp1252(utf8);
    FoldCaseCp1252InPlace(buffer);
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
    names_.clear();
    free_.clear();
    slots_.clear();
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

const std::string* FoldedNames::Find(std::string_view name, std::string_view folded) const
{
    const std::string* alike = nullptr;
    const std::string* same = nullptr;
    const std::uint64_t hash = HashOf(folded);
    Probe(slots_, hash, [&](const Slot& slot) {
        if (slot.entry == kGone || slot.hash != hash)
            return true;
        const std::string& candidate = names_[slot.entry];
        if (candidate == name) {
            same = &candidate;
            return false;
        }
        if (!alike && FoldName(candidate, buffer_) == folded)
            alike = &candidate;
        return true;
    });
    return same ? same : alike;
}

void FoldedNames::Add(std::string_view name)
{
    if ((used_ + 1) * 2 > slots_.size())
        Grow();
    const std::uint64_t hash = HashOf(FoldName(name, buffer_));
    Slot* reuse = nullptr;
    bool there = false;
    Probe(slots_, hash, [&](Slot& slot) {
        if (slot.entry == kGone) {
            if (!reuse)
                reuse = &slot;
            return true;
        }
        there = slot.hash == hash && names_[slot.entry] == name;
        return !there;
    });
    if (there)
        return;
    std::uint32_t entry;
    if (free_.empty()) {
        entry = static_cast<std::uint32_t>(names_.size());
        names_.emplace_back(name);
    } else {
        entry = free_.back();
        free_.pop_back();
        names_[entry].assign(name);
    }
    if (!reuse) {
        const std::size_t mask = slots_.size() - 1;
        std::size_t k = hash & mask;
        while (slots_[k].entry != kEmpty)
            k = (k + 1) & mask;
        reuse = &slots_[k];
        ++used_;
    }
    *reuse = {hash, entry};
    ++count_;
}

bool FoldedNames::Remove(std::string_view name)
{
    const std::uint64_t hash = HashOf(FoldName(name, buffer_));
    bool removed = false;
    Probe(slots_, hash, [&](Slot& slot) {
        if (slot.entry == kGone || slot.hash != hash || names_[slot.entry] != name)
            return true;
        std::string().swap(names_[slot.entry]);
        free_.push_back(slot.entry);
        slot.entry = kGone;
        --count_;
        removed = true;
        return false;
    });
    return removed;
}

// Makes room for at least one more name, leaving removed names' slots behind.
void FoldedNames::Grow()
{
    std::size_t size = 16;
    while (size < (count_ + 1) * 4)
        size *= 2;
    std::vector<Slot> old(size);
    old.swap(slots_);
    used_ = count_;
    const std::size_t mask = size - 1;
    for (const Slot& slot : old) {
        if (slot.entry == kEmpty || slot.entry == kGone)
            continue;
        std::size_t k = slot.hash & mask;
        while (slots_[k].entry != kEmpty)
            k = (k + 1) & mask;
        slots_[k] = slot;
    }
}

} // namespace ovcache
