#pragma once
// The working state of one run, owned by the main window (or the command
// line) and handed to each command.
#include "catalogue/destinations.h"
#include "platform/fileSystem.h"
#include "platform/uac.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace ovcache {

// Where the game is, as the commands work on it.
struct GameFolders {
    // The folder the game's files are changed in: its install folder, or
    // that folder's VirtualStore copy when the game keeps its cache there.
    std::string folder;
    // The install folder when folder is its VirtualStore copy, where the game
    // still finds whatever the copy does not hold; "" otherwise.
    std::string installFolder;
    std::string cache; // folder\Cache
};

struct WorkingState {
    std::unique_ptr<FileSystemService> files;
    GameFolders game;
    // Where Windows keeps what the game writes below a protected folder.
    std::function<std::string(const std::string&)> virtualStoreOf = VirtualStoreFolder;
    // Starts the program again as administrator; empty where that cannot be.
    std::function<bool()> restartAsAdministrator;
    std::string selected; // the entry Move was asked to move
    // What becomes of a cached map whose name a map in the game's folders
    // has, decided beforehand (the command line); the player is asked when
    // it is not.
    std::optional<ExistingMap> existingMaps;
    // How long a command waits for another copy of the program to let the
    // game go before it says so.
    std::chrono::milliseconds lockPatience{1500};
    // Thousands separator of the user's locale, for the size label.
    std::string groupSeparator = ",";
};

} // namespace ovcache
