#include "forms/gameFinder.h"

#include "catalogue/gameLocation.h"

namespace ovcache::forms {

std::optional<GamePrefix> AskForTheGame(const GameLocation& location, bool wine, GameAsker& asker,
                                        const std::function<void(const std::string&)>& remember)
{
    std::string text = Fill(wine ? T("Orvane was not found in any Wine prefix. The program looked in:\n{places}\n\nDo "
                                     "you want to choose the game's folder, or the Wine prefix that holds it?")
                                 : T("Orvane was not found. The program looked in:\n{places}\n\nDo you want to "
                                     "choose the game's folder?"),
                            {{"places", WhereLooked(location)}});
    for (;;) {
        if (asker.Ask(text, T(kNotFoundTitle)) != MsgAnswer::Yes)
            return std::nullopt;
        const std::optional<std::string> folder =
            asker.PickFolder(wine ? T("The game's folder or its Wine prefix") : T("The game's folder"));
        if (!folder || folder->empty())
            return std::nullopt;
        NamedGame chosen = ChosenGame(*folder);
        if (chosen.game) {
            remember(*folder);
            return chosen.game;
        }
        text = Fill(T("{folder} {reason}.\n\nDo you want to choose another folder?"),
                    {{"folder", *folder}, {"reason", T(chosen.reason.c_str())}});
    }
}

} // namespace ovcache::forms
