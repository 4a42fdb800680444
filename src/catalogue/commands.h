#pragma once
// The program's commands over the cache. The main window owns the working
// state and calls these from its handlers.
#include "catalogue/cacheView.h"
#include "catalogue/workingState.h"

#include <cstdint>
#include <memory>
#include <string>

namespace ovcache {

inline constexpr const char* kGameKey = "Software\\Zephiral Technology\\Installed Apps\\Orvane";
inline constexpr const char* kGameValue = "Folder";

// Start-up: takes the file-system service, finds the game and lists its cache.
// False when the program has been ended (no cache index).
bool Form_Load(WorkingState& state, CacheView& view, std::unique_ptr<FileSystemService> fso);

// Lists the cached maps and shows the cache directory's path, file count and
// size. Ends the program when the index is missing; false then.
bool LoadCacheList(WorkingState& state, CacheView& view);

// The "Cache.ini Missing" box, then the end of the program with status 1.
void ShowMissingIndex(CacheView& view, const std::string& cachePath);

void cmdMove_Click(WorkingState& state, CacheView& view);
void cmdMoveAll_Click(WorkingState& state, CacheView& view);
void cmdClear_Click(WorkingState& state, CacheView& view);

// "###,###,###" of the size in megabytes (no digits below half a megabyte)
// followed by " Megabytes".
std::string FormatMegabytes(std::uint64_t bytes, const std::string& groupSeparator);

} // namespace ovcache
