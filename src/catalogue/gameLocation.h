#pragma once
// Where the game is: one rule for both programs and their command line. In
// this order: the folder named on the command line (alone: when it does not
// hold the game, nothing else is tried); where the system keeps the game (on
// Linux $WINEPREFIX, then Steam's $STEAM_COMPAT_DATA_PATH, then the search of
// the launchers' prefixes, each prefix asked through its own registry; on
// Windows the registry's install value); then the folder the player chose
// last time. The programs ask the player only when this finds nothing, or
// finds the game in several prefixes.
#include "platform/gameSearch.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ovcache {

struct GameRequest {
    std::optional<std::string> named;             // --game or --prefix, as given (UTF-8)
    NamedFolder kind = NamedFolder::GameOrPrefix; // what the named folder may be
    std::string remembered;                       // the folder the player chose last time; "" when none
};

// A place the search or the player's last choice gave that was passed over,
// or looked at, for the words to name.
struct PassedOver {
    enum class What : std::uint8_t {
        NoFolderNamed,  // the game's install value names no folder
        NoGameThere,    // the folder it names has no System or Cache folder
        ChosenLastTime, // the folder the player chose last time (reason "" when it holds the game)
    };
    What what;
    std::string folder; // the folder named or chosen
    std::string prefix; // the prefix the value was found in; "" when none
    std::string reason; // ChosenLastTime: why it does not hold the game
};

struct GameLocation {
    std::optional<GamePrefix> game;  // where the game is, when that is decided
    std::vector<GamePrefix> several; // found in more than one prefix: the player chooses
    PrefixSearch search;             // where the program looked
    std::vector<PassedOver> passed;  // looked at after the search
    // The folder named that is not the game's, and why ("does not exist",
    // ...); both "" otherwise.
    std::string refused, refusedReason;
};

GameLocation LocateGame(const GameRequest& request);

// A folder the player chose for the game (in the folder dialog): the game, or
// the reason it is not there. The caller remembers a folder that holds it.
NamedGame ChosenGame(const std::string& folder);

} // namespace ovcache
