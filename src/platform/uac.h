#pragma once
// User Account Control as it touches an old game installed under a folder
// Windows protects. Run by a standard user, or by an administrator without
// elevation, such a game (32-bit, without a manifest) is let believe it writes
// to its install folder: Windows keeps what it writes in the user's
// VirtualStore instead, and when it reads, a file there wins over the real one.
#include <string>
#include <vector>

namespace ovcache {

// The VirtualStore folder of folder, given the folders Windows protects and
// the user's local application data folder: "<local>\VirtualStore" followed
// by folder without its drive. "" when folder is not below one of them, or is
// no plain absolute path (a "." or ".." part, a share).
std::string VirtualStorePath(const std::string& folder, const std::vector<std::string>& protectedFolders,
                             const std::string& localAppData);

// The same on this system for the signed-in user; "" where the game's writes
// are not virtualized: UAC off, a program in folder set to run as
// administrator, or not Windows (Wine never virtualizes).
std::string VirtualStoreFolder(const std::string& folder);

// Whether this program could be started again as administrator: on Windows,
// when it does not run elevated already.
bool CanRestartAsAdministrator();
// What RestartAsAdministrator starts: this program's own path and its
// arguments, in UTF-8; an empty program where the path cannot be had.
struct Restart {
    std::string program, arguments;
};
Restart RestartCommand(const std::string& gameFolder);

// Starts this program again as administrator, the player asked by UAC first,
// on the same game: gameFolder is handed to it with --game, since an
// administrator's registry may not know where the game is. False when it was
// not started (declined, or not possible here).
bool RestartAsAdministrator(const std::string& gameFolder);

// One argument of a Windows command line, quoted as the system's parser
// (CommandLineToArgvW) reads it back.
std::string QuoteArgument(const std::string& argument);

} // namespace ovcache
