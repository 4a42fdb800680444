#pragma once
// The order of the list of cached maps, one rule on every system: names as a
// player reads them, without regard to case or to the accents of Latin
// letters ("Été" beside "Ete", not after "Z"); names equal so are ordered by
// their case-folded text, then by their own, so that the order never depends
// on the order the names came in.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ovcache {

// The list's rows, kept end to end in one buffer rather than each in a
// string of its own: a cache can name 200,000 maps, and the window holds
// them all.
class ListRows {
public:
    std::size_t size() const { return ends_.size(); }
    bool empty() const { return ends_.empty(); }
    // the names' length, all together
    std::size_t Bytes() const { return text_.size(); }
    std::string_view operator[](std::size_t k) const
    {
        const std::uint32_t from = k == 0 ? 0 : ends_[k - 1];
        return std::string_view(text_).substr(from, ends_[k] - from);
    }
    void push_back(std::string_view name);
    void reserve(std::size_t rows, std::size_t bytes);
    void clear();

private:
    std::string text_;
    std::vector<std::uint32_t> ends_;
};

// Adds the names to the list's rows, which are in the list's order, keeping
// that order.
void AddInListOrder(ListRows& rows, const ListRows& added);

} // namespace ovcache
