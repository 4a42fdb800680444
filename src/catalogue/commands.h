#pragma once
// The program's commands over the cache. Each works on an opened game, asks
// its questions through the decisions, tells how far it is through the
// progress, and answers with what happened; the caller words it.
#include "catalogue/game.h"
#include "catalogue/results.h"

#include <memory>
#include <string>

namespace ovcache {

inline constexpr const char* kGameKey = "Software\\Zephiral Technology\\Installed Apps\\Orvane";
inline constexpr const char* kGameValue = "Folder";

struct Opening {
    OpenedGame game;
    // Done, or why what an interrupted command left was not put in order:
    // Busy, another copy held the game; Refused, the lock or the journal is
    // not the program's own (the report says which). The list is made all
    // the same.
    Ending repair = Ending::Done;
    // The list; IndexMissing when the program cannot go on.
    CommandResult result;
};

// Opens the game in folder (the registry's when ""): finds where it keeps
// its cache (its install folder or the VirtualStore copy), puts in order what
// an interrupted command left, and lists the cache. Without list the cache is
// only checked for its index, for a command that lists it when it is done.
Opening OpenGame(std::unique_ptr<FileSystemService> files, const std::string& folder, const Progress& progress = {},
                 bool list = true, const GameOptions& options = {});

// The cached maps and the cache folder's figures.
CommandResult LoadCacheList(const OpenedGame& game, const Progress& progress = {});

// Moves the map selected (its name as the list shows it) and every cached
// code, music and sound package into the game's folders, and takes their
// lines out of the index.
CommandResult MoveSelectedMap(const OpenedGame& game, const std::string& selected, Decisions& decisions,
                              const Progress& progress = {});
// Moves everything the destination rules place; the index keeps the lines of
// what stays, or goes when nothing does.
CommandResult MoveAllCached(const OpenedGame& game, Decisions& decisions, const Progress& progress = {});
// Deletes every file of the cache folder, the index last, once confirmed.
CommandResult ClearCache(const OpenedGame& game, Decisions& decisions, const Progress& progress = {});

} // namespace ovcache
