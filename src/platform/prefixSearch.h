#pragma once
// Where Linux players keep the game: the Wine prefixes of Wine itself, of
// Steam's Proton, Lutris, Bottles and Heroic. Each candidate is asked, through
// its own registry, whether the game is installed in it. Reading a candidate
// never writes anything; one that cannot be read is passed over.
#include "platform/gameSearch.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ovcache {

struct PrefixEnvironment {
    std::filesystem::path home;
    std::optional<std::filesystem::path> winePrefix; // $WINEPREFIX when set
    std::filesystem::path dataHome;                  // $XDG_DATA_HOME, or ~/.local/share
    std::filesystem::path configHome;                // $XDG_CONFIG_HOME, or ~/.config
    // How long the whole search may take; what it has not reached by then is
    // passed over and said.
    std::chrono::milliseconds budget{10000};
    // $STEAM_COMPAT_DATA_PATH, which Steam sets for every command of a Proton
    // game's launch: its "pfx" is the game's prefix.
    std::optional<std::filesystem::path> steamCompatData;

    // This process's environment.
    static PrefixEnvironment Current();
};

// The prefixes whose HKEY_LOCAL_MACHINE registry has the value (32-bit view
// first, then 64-bit), in this order: $WINEPREFIX alone when it is set (a
// folder holding "pfx" means that "pfx"); else the "pfx" of
// $STEAM_COMPAT_DATA_PATH alone when that is set; otherwise ~/.wine, the Proton
// prefixes of every Steam library, Lutris's, Bottles's and Heroic's.
PrefixSearch FindGamePrefixes(const std::string& key, const std::string& value, const PrefixEnvironment& env);

// Whether a folder of this system has the game's "System" or "Cache" folder,
// found without regard to case as Windows finds it.
bool HasGameFolders(const std::filesystem::path& folder);

// The game at a folder on Linux: a Wine prefix (or a folder holding "pfx")
// whose registry has the value, when kind allows it, or the game's own folder
// on a prefix's drive C; nothing otherwise.
std::optional<GamePrefix> GameInFolder(const std::filesystem::path& folder, NamedFolder kind, const std::string& key,
                                       const std::string& value);

// The Wine prefix of a Lutris game file (YAML: "game:" then "prefix:").
std::vector<std::string> LutrisPrefixes(std::string_view yaml);
// The "winePrefix" of each game in a Heroic game settings file (JSON: the
// games' objects at the top level).
std::vector<std::string> HeroicWinePrefixes(std::string_view json);

// The "path" of every library in a Steam libraryfolders.vdf (Valve's
// KeyValues text, old and new layouts); nothing when it is malformed.
std::optional<std::vector<std::string>> SteamLibraryPaths(std::string_view vdf);

} // namespace ovcache
