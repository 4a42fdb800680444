#include "catalogue/gameLocation.h"

#include "catalogue/commands.h"

#include <utility>

namespace ovcache {

GameLocation LocateGame(const GameRequest& request)
{
    GameLocation location;
    if (request.named) {
        NamedGame named = GameAt(*request.named, request.kind, kGameKey, kGameValue);
        if (named.game)
            named.game->source = "command line";
        else
            location.refused = *request.named + " " + named.reason;
        location.game = std::move(named.game);
        return location;
    }
    location.search = SearchForGame(kGameKey, kGameValue);
    // A folder the registry names is the game's only when the game is there.
    std::erase_if(location.search.found, [&](const GamePrefix& game) {
        if (HoldsGame(game))
            return false;
        const std::string where = game.prefix.empty() ? "" : " (in " + game.prefix.string() + ")";
        location.search.looked.push_back(game.gameFolder.empty()
                                             ? "The game's install value, which names no folder" + where
                                             : "The folder it names, " + game.gameFolder +
                                                   ", which has no System or Cache folder" + where);
        return true;
    });
    if (location.search.found.size() == 1) {
        location.game = location.search.found.front();
        return location;
    }
    if (location.search.found.size() > 1) {
        location.several = location.search.found;
        return location;
    }
    if (!request.remembered.empty()) {
        NamedGame remembered = ChosenGame(request.remembered);
        location.search.looked.push_back("The folder chosen last time: " + request.remembered +
                                         (remembered.game ? "" : " (" + remembered.reason + ")"));
        if (remembered.game) {
            remembered.game->source = "chosen last time";
            location.game = std::move(remembered.game);
        }
    }
    return location;
}

NamedGame ChosenGame(const std::string& folder)
{
    return GameAt(folder, NamedFolder::GameOrPrefix, kGameKey, kGameValue);
}

std::string WhereLooked(const PrefixSearch& search)
{
    std::string text;
    for (const std::string& place : search.looked)
        text += "\n    " + place;
    if (!search.skipped.empty())
        text += "\n\nThe search took too long and left " + std::to_string(search.skipped.size()) +
                " prefixes unread, among them:\n\n    " + search.skipped.front();
    return text;
}

} // namespace ovcache
