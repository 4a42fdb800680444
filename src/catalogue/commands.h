#pragma once
// The program's commands over the cache. The main window owns the working
// state and calls these from its handlers.
#include "catalogue/cacheView.h"
#include "catalogue/listing.h"
#include "catalogue/workingState.h"

#include <memory>
#include <string>

namespace ovcache {

inline constexpr const char* kGameKey = "Software\\Zephiral Technology\\Installed Apps\\Orvane";
inline constexpr const char* kGameValue = "Folder";

// Serves Form_Load. Takes the file-system service, finds the game (the
// folder already in state.game.folder, or the registry's), puts in
// order what an interrupted command left and lists the cache. False when the
// program has been ended (no cache index). Without list, the cache is only
// checked for its index, for a command that lists it when it is done.
bool StartUp(WorkingState& state, CacheView& view, std::unique_ptr<FileSystemService> fso, bool list = true);

// Lists the cached maps and shows the cache directory's path, file count and
// size. Ends the program when the index is missing; false then.
bool LoadCacheList(WorkingState& state, CacheView& view);

// Serves cmdMove_Click. Moves the selected map and every cached code, music
// and sound package into the game's folders, and takes their lines out of the
// index.
void MoveSelectedMap(WorkingState& state, CacheView& view);
// Serves cmdMoveAll_Click. Moves everything the destination rules place; the
// index keeps the lines of what stays, or goes when nothing does.
void MoveAllCached(WorkingState& state, CacheView& view);
// Serves cmdClear_Click. Deletes every file of the cache folder, the index
// last, after asking.
void ClearCache(WorkingState& state, CacheView& view);

} // namespace ovcache
