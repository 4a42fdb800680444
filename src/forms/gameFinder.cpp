#include "forms/gameFinder.h"

#include "catalogue/gameLocation.h"

namespace ovcache::forms {

std::optional<GamePrefix> AskForTheGame(const GameLocation& location, bool wine, GameAsker& asker,
                                        const std::function<void(const std::string&)>& remember)
{
    std::string text = std::string(wine ? "Orvane was not found in any Wine prefix." : "Orvane was not found.") +
                       " The program looked in:\n" + WhereLooked(location) +
                       "\n\nDo you want to choose the game's folder" +
                       (wine ? ", or the Wine prefix that holds it?" : "?");
    for (;;) {
        if (asker.Ask(text, kNotFoundTitle) != MsgAnswer::Yes)
            return std::nullopt;
        const std::optional<std::string> folder =
            asker.PickFolder(wine ? "The game's folder or its Wine prefix" : "The game's folder");
        if (!folder || folder->empty())
            return std::nullopt;
        NamedGame chosen = ChosenGame(*folder);
        if (chosen.game) {
            remember(*folder);
            return chosen.game;
        }
        text = *folder + " " + chosen.reason + ".\n\nDo you want to choose another folder?";
    }
}

} // namespace ovcache::forms
