#pragma once
// Where the game is, as this system keeps it: on Windows the install value the
// game's installer writes in the registry; on Linux the Wine prefixes whose
// own registries have that value. And whether a folder the player names holds
// the game. Nothing here asks the player or remembers anything.
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ovcache {

struct GamePrefix {
    std::filesystem::path prefix; // the Wine prefix; empty on Windows
    std::string gameFolder;       // the install folder, a Windows path, in UTF-8
    std::string source;           // where it was found: "WINEPREFIX", "Steam", "registry", "chosen", ...
};

// A place the search looked in, for the player: its words, marked for the
// catalogues, with "{name}"s where its folders and files go.
struct LookedIn {
    const char* words;
    std::vector<std::pair<std::string, std::string>> values;
    bool operator==(const LookedIn&) const = default;
};

struct PrefixSearch {
    std::vector<GamePrefix> found;    // in the order looked, each prefix once
    std::vector<LookedIn> looked;     // the places looked in, for the player
    std::vector<std::string> skipped; // candidate prefixes left unread when the time was up
    bool fromEnvironment = false;     // $WINEPREFIX or Steam's launch decided alone
};

// The game where the system keeps it, without asking anyone: what the
// registry says, whether or not the folder is there.
PrefixSearch SearchForGame(const std::string& key, const std::string& value);

// Whether the game's install folder (in its prefix, on Linux) holds the game:
// it has the game's "System" or "Cache" folder.
bool HoldsGame(const GamePrefix& game);

// What a folder the player names must be: the game's own folder (--game), or
// on Linux also a Wine prefix that has the game installed (--prefix, the
// folder dialog).
enum class NamedFolder { Game, GameOrPrefix };

struct NamedGame {
    std::optional<GamePrefix> game;
    std::string reason; // why the folder is not the game's, when it is not
};

// The game at a folder the player named (UTF-8).
NamedGame GameAt(const std::string& folder, NamedFolder kind, const std::string& key, const std::string& value);

} // namespace ovcache
