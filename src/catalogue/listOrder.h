#pragma once
// The order of the list of cached maps, one rule on every system: names as a
// player reads them, without regard to case or to the accents of Latin
// letters ("Été" beside "Ete", not after "Z"); names equal so are ordered by
// their case-folded text, then by their own, so that the order never depends
// on the order the names came in.
#include <string>
#include <string_view>
#include <vector>

namespace ovcache {

// Adds the names to the list's rows, which are in the list's order, keeping
// that order.
void AddInListOrder(std::vector<std::string>& rows, std::vector<std::string> added);

} // namespace ovcache
