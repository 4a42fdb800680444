#include "catalogue/gameLocation.h"

#include "catalogue/commands.h"

#include <utility>

namespace ovcache {

GameLocation LocateGame(const GameRequest& request)
{
    GameLocation location;
    if (request.named) {
        NamedGame named = GameAt(*request.named, request.kind, kGameKey, kGameValue);
        if (named.game) {
            named.game->source = "command line";
        } else {
            location.refused = *request.named;
            location.refusedReason = named.reason;
        }
        location.game = std::move(named.game);
        return location;
    }
    location.search = SearchForGame(kGameKey, kGameValue);
    // A folder the registry names is the game's only when the game is there.
    std::erase_if(location.search.found, [&](const GamePrefix& game) {
        if (HoldsGame(game))
            return false;
        location.passed.push_back(
            {game.gameFolder.empty() ? PassedOver::What::NoFolderNamed : PassedOver::What::NoGameThere,
             game.gameFolder,
             game.prefix.string(),
             {}});
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
        location.passed.push_back({PassedOver::What::ChosenLastTime,
                                   request.remembered,
                                   {},
                                   remembered.game ? std::string() : remembered.reason});
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

} // namespace ovcache
