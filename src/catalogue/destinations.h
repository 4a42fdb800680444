#pragma once
// Where a cached file goes in the game's install folder, and what becomes of a
// map whose name is taken. Both move commands use these.
#include <cstdint>
#include <string>
#include <string_view>

namespace ovcache {

// Where a cached file goes, by the ending of its name.
enum class EntryKind : std::uint8_t { Map, CodePackage, Music, SoundPackage, Other };

// The selected-map test of Move: a line with an "=" whose name is the
// selected text is the map (namesSelected); otherwise the package rows
// decide, and a map of Move All's (kindForMoveAll) that is not the one
// selected stays.
EntryKind ClassifyForMove(bool namesSelected, EntryKind kindForMoveAll);
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
