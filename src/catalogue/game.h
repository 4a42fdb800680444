#pragma once
// A game as the commands work on it, fixed when it is opened: its folders,
// the file service, the code page of its index, and whether its cache is in
// the VirtualStore copy.
#include "platform/codePage.h"
#include "platform/fileSystem.h"
#include "platform/uac.h"

#include <chrono>
#include <functional>
#include <memory>
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

// How a game is opened; the defaults serve the program.
struct GameOptions {
    // Where Windows keeps what the game writes below a protected folder.
    std::function<std::string(const std::string&)> virtualStoreOf = VirtualStoreFolder;
    // How long a command waits for another copy of the program to let the
    // game go before it gives up.
    std::chrono::milliseconds lockPatience{1500};
};

class OpenedGame {
public:
    OpenedGame(std::shared_ptr<FileSystemService> files, GameFolders folders, std::chrono::milliseconds lockPatience)
        : files_(std::move(files)), folders_(std::move(folders)), lockPatience_(lockPatience)
    {
    }
    FileSystemService& Files() const { return *files_; }
    const GameFolders& Folders() const { return folders_; }
    const std::string& Folder() const { return folders_.folder; }
    const std::string& Cache() const { return folders_.cache; }
    // The game's cache is in the VirtualStore copy of its install folder.
    bool InVirtualStore() const { return !folders_.installFolder.empty(); }
    // The ANSI code page the game writes its index in, as it was when the
    // game was opened: the start sets it for the process, once, before any
    // command runs, and the index's names are converted with it.
    unsigned CodePage() const { return codePage_; }
    std::chrono::milliseconds LockPatience() const { return lockPatience_; }

private:
    std::shared_ptr<FileSystemService> files_;
    GameFolders folders_;
    std::chrono::milliseconds lockPatience_;
    unsigned codePage_ = AnsiCodePage();
};

} // namespace ovcache
