#pragma once
// Where a cached file goes in the game's install folder, and what becomes of a
// map whose name is taken. Both move commands use these.
#include "catalogue/cacheIndex.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace ovcache {

// The selected-map test of Move: the line has an "=" and the name after it is
// the selected text; otherwise the package rows decide.
EntryKind ClassifyForMove(const IndexEntry& entry, std::string_view selected);
// Move All takes any line ending in "kmx" for a map; otherwise the package rows.
EntryKind ClassifyForMoveAll(std::string_view line);

// The game's folder the kind goes to: "Maps", "System", "Music" or "Sounds";
// "" for Other.
std::string_view DestinationFolder(EntryKind kind);
// gameFolder\folder\name.
std::string DestinationPath(const std::string& gameFolder, EntryKind kind, std::string_view name);

// What becomes of a cached map when a map of its name is there: it replaces
// that one (the question's Yes), its cached file is discarded (No), or it is
// left in the cache with its index line (the command line's "keep").
enum class ExistingMap { Replace, Discard, Keep };

} // namespace ovcache
