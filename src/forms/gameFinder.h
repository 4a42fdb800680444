#pragma once
// When the game was not found: one box that says where the program looked
// and offers the system's folder dialog, until the player shows a folder that
// holds the game or gives up. Both windows ask this way; a front end only
// shows the box and the dialog.
#include "catalogue/gameLocation.h"
#include "forms/boxes.h"
#include "platform/gameSearch.h"

#include <functional>
#include <optional>
#include <string>

namespace ovcache::forms {

inline constexpr const char* kNotFoundTitle = N_("Orvane Not Found");

class GameAsker {
public:
    virtual ~GameAsker() = default;
    // A critical Yes/No box.
    virtual MsgAnswer Ask(const std::string& text, const std::string& title) = 0;
    // The folder the player picks (UTF-8); nothing when the dialog is cancelled.
    virtual std::optional<std::string> PickFolder(const std::string& title) = 0;
};

// wine: the game is looked for in Wine prefixes (the Linux program), and a
// prefix may be chosen as well as the game's folder. A folder that holds the
// game is handed to remember before it is returned.
std::optional<GamePrefix> AskForTheGame(const GameLocation& location, bool wine, GameAsker& asker,
                                        const std::function<void(const std::string&)>& remember);

} // namespace ovcache::forms
