#pragma once
// The names in one folder, found the way Windows compares them: by their
// folded form. Kept in an open-addressing table of small slots,
// since most lookups are for a name about to be moved in, which is not there,
// and such a miss should cost one look at memory.
#include <cstdint>
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
    // The high half of the folded name's hash, so that most names that are
    // not the one sought are passed over without folding them.
    struct Slot {
        std::uint32_t tag = 0;
        std::uint32_t entry = kEmpty;
    };
    struct Entry {
        std::uint32_t start, size; // in text_
    };
    template <typename Slots, typename Visit> static void Probe(Slots& slots, std::uint64_t hash, Visit visit);
    std::string_view NameAt(std::uint32_t entry) const
    {
        return std::string_view(text_).substr(entries_[entry].start, entries_[entry].size);
    }
    void Rebuild();
    // The names one after another in one buffer; a removed one stays there,
    // unreferenced, until the table is next rebuilt.
    std::string text_;
    std::vector<Entry> entries_;
    std::vector<Slot> slots_;          // a power of two of them, at most half in use
    std::size_t count_ = 0, used_ = 0; // names; slots not empty, those of removed names included
    mutable std::string buffer_;
};

} // namespace ovcache
