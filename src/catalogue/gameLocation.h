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

#include <optional>
#include <string>
#include <vector>

namespace ovcache {

struct GameRequest {
    std::optional<std::string> named;             // --game or --prefix, as given (UTF-8)
    NamedFolder kind = NamedFolder::GameOrPrefix; // what the named folder may be
    std::string remembered;                       // the folder the player chose last time; "" when none
};

struct GameLocation {
    std::optional<GamePrefix> game;  // where the game is, when that is decided
    std::vector<GamePrefix> several; // found in more than one prefix: the player chooses
    PrefixSearch search;             // where the program looked
    std::string refused;             // why the named folder is not the game's; "" otherwise
};

GameLocation LocateGame(const GameRequest& request);

// A folder the player chose for the game (in the folder dialog): the game, or
// the reason it is not there. The caller remembers a folder that holds it.
NamedGame ChosenGame(const std::string& folder);

// The places looked in, one an indented line, and those the search had no
// time for.
std::string WhereLooked(const PrefixSearch& search);

} // namespace ovcache
