#pragma once
// The names in one folder, found the way Windows compares them: by their
// folded form. Kept in an open-addressing table of small slots,
// since most lookups are for a name about to be moved in, which is not there,
// and such a miss should cost a few looks at adjacent memory.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ovcache {

// The folded form of a name as it is on disk (UTF-8), in the buffer given.
std::string_view FoldName(std::string_view utf8, std::string& buffer);

class FoldedNames {
public:
    void Clear();
    std::size_t Size() const { return count_; }
    // Adds a name as it is on disk; one already there is not added twice.
    void Add(std::string_view name);
    // Removes the name exactly as given; false when it was not there.
    bool Remove(std::string_view name);
    // The name exactly as given (UTF-8) when it is there, otherwise one whose
    // folded form is the one given, otherwise nothing. The view lasts until
    // the next change.
    std::optional<std::string_view> Find(std::string_view name, std::string_view folded) const;

private:
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFF;
    static constexpr std::uint32_t kGone = 0xFFFFFFFE;
    // The names are kept in blocks of this size, each name whole in one and
    // ended by a NUL, so that a folder of 200,000 names costs little more
    // than its names, and nothing is copied as it grows.
    static constexpr std::uint32_t kBlock = 1u << 16;
    // The high half of the folded name's hash, so that most names that are
    // not the one sought are passed over without folding them; and where
    // the name is kept.
    struct Slot {
        std::uint32_t tag = 0;
        std::uint32_t name = kEmpty;
    };
    template <typename Slots, typename Visit> static void Probe(Slots& slots, std::uint64_t hash, Visit visit);
    std::string_view NameAt(std::uint32_t at) const { return blocks_[at / kBlock].get() + at % kBlock; }
    std::uint32_t Keep(std::string_view name);
    void Rebuild();
    // A removed name stays in its block, unreferenced, until the table is
    // next rebuilt.
    std::vector<std::unique_ptr<char[]>> blocks_;
    std::uint32_t inLast_ = 0;         // bytes in use in the last block
    std::vector<Slot> slots_;          // a power of two of them, at most three quarters in use
    std::size_t count_ = 0, used_ = 0; // names; slots not empty, those of removed names included
    std::size_t kept_ = 0;             // names in the blocks, removed ones included
    mutable std::string buffer_;
};

} // namespace ovcache
