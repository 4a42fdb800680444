#include "catalogue/listing.h"

#include "catalogue/cacheIndex.h"
#include "catalogue/entryNames.h"
#include "catalogue/indexCommit.h"
#include "platform/codePage.h"

#include <optional>

namespace ovcache {
namespace {

// The figures of a measure started earlier, so that other work could go on
// meanwhile. Counted, not listed: only Move All walks the files, and it takes
// its own snapshot.
void TakeFigures(bool indexPresent, CommandResult& result, FileSystemService::PendingMeasure measuring)
{
    const Outcome<FolderMeasure> measured = measuring.Get();
    if (!measured) {
        result.report.AddProblem(Why::CacheUnmeasured, "Cache directory", measured.Failure());
        return;
    }
    const auto [count, size] = *measured;
    const std::size_t cached = indexPresent && count > 0 ? count - 1 : count;
    result.figures = CacheFigures{cached, size, !indexPresent && count == 0};
}

} // namespace

void MeasureCache(const OpenedGame& game, bool indexPresent, CommandResult& result)
{
    TakeFigures(indexPresent, result, game.Files().TryMeasureLater(game.Cache()));
}

bool HoldsCachedFile(const FileCollection& files)
{
    std::string folded;
    for (std::size_t k = 0; k < files.Count(); ++k) {
        folded.assign(files.Name(k));
        FoldCaseInPlace(folded);
        if (KeyOfCachedFile(folded))
            return true;
    }
    return false;
}

bool IsEmptyCache(FileSystemService& fso, const std::string& cachePath)
{
    const Outcome<FileCollection> files = fso.TryListFiles(cachePath);
    return files && !HoldsCachedFile(*files); // else no cache folder at all
}

void EmptyCache(CommandResult& result)
{
    result.list.emplace();
    result.figures = CacheFigures{0, 0, true};
}

void ListCache(const OpenedGame& game, CommandResult& result, const Progress& progress)
{
    FileSystemService& fso = game.Files();
    result.cacheFolder = game.Cache();
    result.list.reset();
    // Said missing only when it is: an index that could not be looked for
    // leaves the list as it was.
    const Outcome<bool> there = fso.LookForFile(IndexPath(game.Cache()));
    if (!there) {
        result.report.AddProblem(Why::IndexUnreadable, "cache.ini", there.Failure());
        return;
    }
    if (!*there) {
        if (IsEmptyCache(fso, game.Cache()))
            EmptyCache(result);
        else
            result.ending = Ending::IndexMissing;
        return;
    }
    // The folder is measured while the list is made.
    FileSystemService::PendingMeasure measuring = fso.TryMeasureLater(game.Cache());
    ListRows rows;
    // Each line is looked at once and let go: neither the index nor its
    // entries are held.
    const bool read = ReadIndexEntries(fso, game.Folders(), result.report, [&](const IndexEntry& entry) {
        // A line without "=" is listed whole; it names no file to move.
        if (entry.Kind() != EntryKind::Map || !entry.Safe() || entry.Name() == kIndexHeader)
            return;
        if (IsAscii(entry.Name())) // nearly every name, and the same in UTF-8
            rows.push_back(entry.Name());
        else
            rows.push_back(AnsiToUtf8(entry.Name()));
    });
    if (!read)
        rows.clear(); // what was read before the failure is not the list
    if (progress.listed)
        progress.listed(rows, game.Cache());
    result.list = std::move(rows);
    TakeFigures(true, result, std::move(measuring));
}

void CheckIndex(const OpenedGame& game, CommandResult& result)
{
    result.cacheFolder = game.Cache();
    const Outcome<bool> there = game.Files().LookForFile(IndexPath(game.Cache()));
    if (!there)
        result.report.AddProblem(Why::IndexUnreadable, "cache.ini", there.Failure());
    else if (!*there && !IsEmptyCache(game.Files(), game.Cache()))
        result.ending = Ending::IndexMissing;
}

} // namespace ovcache
