#pragma once
// Listing the cache: the maps of its index as the list's rows, and the cache
// folder's file count and size.
#include "catalogue/cacheIndex.h"
#include "catalogue/game.h"
#include "catalogue/results.h"

#include <string>

namespace ovcache {

// Lists the maps of the index as it is now, into result: its rows (handed to
// progress.listed as soon as they are made) and the cache's figures. When the
// index is missing from a cache that holds files, the result ends with
// IndexMissing instead.
void ListCache(const OpenedGame& game, CommandResult& result, const Progress& progress = {});
// Only whether the index is missing from a cache that holds files.
void CheckIndex(const OpenedGame& game, CommandResult& result);

// The cache folder's figures; the index is not counted.
void MeasureCache(const OpenedGame& game, bool indexPresent, CommandResult& result);
// The list and figures of a cache with nothing in it.
void EmptyCache(CommandResult& result);

// Whether any file of the listing is a cached file ("<key>.uxx", in any case).
bool HoldsCachedFile(const FileCollection& files);
// A cache folder with no cached file in it, as Move All and Clear Cache
// leave it: without an index that is no fault, since the game writes a new
// one when it next downloads.
bool IsEmptyCache(FileSystemService& files, const std::string& cachePath);

} // namespace ovcache
