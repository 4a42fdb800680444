#pragma once
// Listing the cache: the maps of its index in the list, and the cache
// folder's path, file count and size in the labels.
#include "catalogue/cacheIndex.h"
#include "catalogue/cacheView.h"
#include "catalogue/commandReport.h"
#include "catalogue/workingState.h"

#include <cstdint>
#include <string>

namespace ovcache {

// Lists the maps of the index as it is now. When the index is missing from
// a cache that holds files, what the command has to report comes before the
// box that ends the program; false then.
bool ListCache(WorkingState& state, CacheView& view, CommandReport& report, const std::string& title);
// ListCache, then the report under the program's title.
bool ListAndReport(WorkingState& state, CacheView& view, CommandReport& report);
// The same, without the list: only a missing index is shown.
bool CheckAndReport(WorkingState& state, CacheView& view, CommandReport& report);

// Shows the cache folder's file count and size; the index is not counted.
void ShowStatistics(WorkingState& state, CacheView& view, bool indexPresent, CommandReport& report);
// The labels of a cache with nothing in it.
void ShowEmptyCache(const WorkingState& state, CacheView& view);

// Whether any file of the listing is a cached file ("<key>.uxx", in any case).
bool HoldsCachedFile(const FileCollection& files);
// A cache folder with no cached file in it, as Move All and Clear Cache
// leave it: without an index that is no fault, since the game writes a new
// one when it next downloads.
bool IsEmptyCache(FileSystemService& files, const std::string& cachePath);

// The "Cache.ini Missing" box, then the end of the program with status 1.
void ShowMissingIndex(CacheView& view, const std::string& cachePath);

// "###,###,###" of the size in megabytes (no digits below half a megabyte)
// followed by " Megabytes".
std::string FormatMegabytes(std::uint64_t bytes, const std::string& groupSeparator);

} // namespace ovcache
