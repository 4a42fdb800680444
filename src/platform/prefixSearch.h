#pragma once
// Where Linux players keep the game: the Wine prefixes of Wine itself, of
// Steam's Proton, Lutris, Bottles and Heroic. Each candidate is asked, through
// its own registry, whether the game is installed in it. Reading a candidate
// never writes anything; one that cannot be read is passed over.
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

    // This process's environment.
    static PrefixEnvironment Current();
};

struct GamePrefix {
    std::filesystem::path prefix;
    std::string gameFolder; // the install folder as the game's registry value gives it, in UTF-8
    std::string source;     // "WINEPREFIX", "Wine", "Steam", "Lutris", "Bottles", "Heroic" or "chosen"
};

struct PrefixSearch {
    std::vector<GamePrefix> found;    // in the order looked, each prefix once
    std::vector<std::string> looked;  // the places looked in, for the player
    std::vector<std::string> skipped; // candidate prefixes left unread when the time was up
    bool fromEnvironment = false;     // $WINEPREFIX decided alone
};

// The prefixes whose HKEY_LOCAL_MACHINE registry has the value (32-bit view
// first, then 64-bit), in this order: $WINEPREFIX alone when it is set (a
// folder holding "pfx" means that "pfx"); otherwise ~/.wine, the Proton
// prefixes of every Steam library, Lutris's, Bottles's and Heroic's.
PrefixSearch FindGamePrefixes(const std::string& key, const std::string& value, const PrefixEnvironment& env);

// The game at a folder the player chose: a Wine prefix (or a folder holding
// "pfx") whose registry has the value, or the game's own folder (one holding
// "Cache") on a prefix's drive C; nothing otherwise.
std::optional<GamePrefix> GameAt(const std::filesystem::path& folder, const std::string& key, const std::string& value);

// The Wine prefix of a Lutris game file (YAML: "game:" then "prefix:").
std::vector<std::string> LutrisPrefixes(std::string_view yaml);
// The "winePrefix" of each game in a Heroic game settings file (JSON: the
// games' objects at the top level).
std::vector<std::string> HeroicWinePrefixes(std::string_view json);

// The "path" of every library in a Steam libraryfolders.vdf (Valve's
// KeyValues text, old and new layouts); nothing when it is malformed.
std::optional<std::vector<std::string>> SteamLibraryPaths(std::string_view vdf);

} // namespace ovcache
