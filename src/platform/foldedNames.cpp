#include "platform/foldedNames.h"

#include "platform/codePage.h"

#include <functional>
#include <stdexcept>

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
    std::vector<std::unique_ptr<char[]>>().swap(blocks_);
    std::vector<Slot>().swap(slots_);
    inLast_ = 0;
    count_ = used_ = kept_ = 0;
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
        if (slot.name == kEmpty || !visit(slot))
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
        if (slot.name == kGone || slot.tag != TagOf(hash))
            return true;
        const std::string_view candidate = NameAt(slot.name);
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

// Puts the name in the last block, or a new one when it does not fit there.
std::uint32_t FoldedNames::Keep(std::string_view name)
{
    const std::size_t room = name.size() + 1;
    if (room > kBlock)
        throw std::length_error("A name longer than a folder's names can be");
    if (blocks_.empty() || inLast_ + room > kBlock) {
        blocks_.push_back(std::make_unique<char[]>(kBlock));
        inLast_ = 0;
    }
    const auto at = static_cast<std::uint32_t>((blocks_.size() - 1) * kBlock + inLast_);
    char* place = blocks_.back().get() + inLast_;
    name.copy(place, name.size());
    place[name.size()] = '\0';
    inLast_ += static_cast<std::uint32_t>(room);
    ++kept_;
    return at;
}

void FoldedNames::Add(std::string_view name)
{
    // also when removed names fill more of the blocks than those there
    if ((used_ + 1) * 4 > slots_.size() * 3 || kept_ > count_ * 2 + 64)
        Rebuild();
    const std::uint64_t hash = HashOf(FoldName(name, buffer_));
    Slot* reuse = nullptr;
    bool there = false;
    Probe(slots_, hash, [&](Slot& slot) {
        if (slot.name == kGone) {
            if (!reuse)
                reuse = &slot;
            return true;
        }
        there = slot.tag == TagOf(hash) && NameAt(slot.name) == name;
        return !there;
    });
    if (there)
        return;
    if (!reuse) {
        const std::size_t mask = slots_.size() - 1;
        std::size_t k = hash & mask;
        while (slots_[k].name != kEmpty)
            k = (k + 1) & mask;
        reuse = &slots_[k];
        ++used_;
    }
    *reuse = {TagOf(hash), Keep(name)};
    ++count_;
}

bool FoldedNames::Remove(std::string_view name)
{
    const std::uint64_t hash = HashOf(FoldName(name, buffer_));
    bool removed = false;
    Probe(slots_, hash, [&](Slot& slot) {
        if (slot.name == kGone || slot.tag != TagOf(hash) || NameAt(slot.name) != name)
            return true;
        slot.name = kGone;
        --count_;
        removed = true;
        return false;
    });
    return removed;
}

// Makes room for at least one more name: the names still there are copied
// into new blocks and a new table, leaving removed names and their slots
// behind. The table is then at most half full.
void FoldedNames::Rebuild()
{
    std::size_t size = 16;
    while (size < (count_ + 1) * 2)
        size *= 2;
    std::vector<Slot> old(size);
    old.swap(slots_);
    std::vector<std::unique_ptr<char[]>> blocks;
    blocks.swap(blocks_);
    inLast_ = 0;
    kept_ = 0;
    const std::size_t mask = size - 1;
    for (const Slot& slot : old) {
        if (slot.name == kEmpty || slot.name == kGone)
            continue;
        const std::string_view name = blocks[slot.name / kBlock].get() + slot.name % kBlock;
        const std::uint64_t hash = HashOf(FoldName(name, buffer_));
        std::size_t k = hash & mask;
        while (slots_[k].name != kEmpty)
            k = (k + 1) & mask;
        slots_[k] = {TagOf(hash), Keep(name)};
    }
    used_ = count_;
}

} // namespace ovcache
