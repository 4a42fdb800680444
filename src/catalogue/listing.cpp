#include "catalogue/listing.h"

#include "catalogue/cacheIndex.h"
#include "catalogue/entryNames.h"
#include "catalogue/indexCommit.h"
#include "platform/codePage.h"

#include <cmath>
#include <future>
#include <optional>

namespace ovcache {
namespace {

// Starts measuring the cache directory; the figures are taken in
// ShowStatistics, so that other work can go on meanwhile. Counted, not
// listed: only Move All walks the files, and it takes its own snapshot.
FileSystemService::PendingMeasure MeasureCache(const WorkingState& state)
{
    return state.files->TryMeasureLater(state.game.cache);
}

// Shows the directory's file count and size; the index is not counted.
void ShowStatistics(const WorkingState& state, CacheView& view, bool indexPresent, CommandReport& report,
                    FileSystemService::PendingMeasure measuring)
{
    const Outcome<FolderMeasure> measured = measuring.Get();
    if (!measured) {
        report.AddProblem("Cache directory", measured.Failure().Path(),
                          "Could not be measured: " + measured.Failure().Reason());
        return;
    }
    const auto [count, size] = *measured;
    const std::size_t cached = indexPresent && count > 0 ? count - 1 : count;
    if (!indexPresent && count == 0) {
        view.SetLabel(DataLabel::FileCount, "0");
        view.SetLabel(DataLabel::CacheSize, "0 Megabytes");
    } else {
        view.SetLabel(DataLabel::FileCount, std::to_string(cached));
        view.SetLabel(DataLabel::CacheSize, FormatMegabytes(size, state.groupSeparator));
    }
    view.Measured(cached, size);
}

} // namespace

void ShowStatistics(WorkingState& state, CacheView& view, bool indexPresent, CommandReport& report)
{
    ShowStatistics(state, view, indexPresent, report, MeasureCache(state));
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

void ShowEmptyCache(const WorkingState& state, CacheView& view)
{
    view.ClearList();
    view.SetLabel(DataLabel::Path, state.game.cache);
    view.SetLabel(DataLabel::FileCount, "0");
    view.SetLabel(DataLabel::CacheSize, "0 Megabytes");
    view.Measured(0, 0);
}

bool ListCache(WorkingState& state, CacheView& view, CommandReport& report, const std::string& title)
{
    view.ClearList();
    if (!state.files->FileExists(IndexPath(state.game.cache))) {
        if (IsEmptyCache(*state.files, state.game.cache)) {
            ShowEmptyCache(state, view);
            return true;
        }
        report.Show(view, title);
        ShowMissingIndex(view, state.game.cache);
        return false;
    }
    // The folder is measured while the list is made.
    FileSystemService::PendingMeasure measuring = MeasureCache(state);
    // Each line is looked at once and let go: neither the index nor its
    // entries are held.
    const bool read = ReadIndexEntries(*state.files, state.game, report, [&](const IndexEntry& entry) {
        // A line without "=" is listed whole; it names no file to move.
        if (entry.Kind() != EntryKind::Map || !entry.Safe() || entry.Name() == kIndexHeader)
            return;
        if (IsAscii(entry.Name())) // nearly every name, and the same in UTF-8
            view.AddListEntry(entry.Name());
        else
            view.AddListEntry(AnsiToUtf8(entry.Name()));
    });
    if (!read)
        view.ClearList(); // what was read before the failure is not the list
    view.SetLabel(DataLabel::Path, state.game.cache);
    ShowStatistics(state, view, true, report, std::move(measuring));
    return true;
}

bool ListAndReport(WorkingState& state, CacheView& view, CommandReport& report)
{
    const bool listed = ListCache(state, view, report, kProgramTitle);
    if (listed)
        report.Show(view, kProgramTitle);
    return listed;
}

bool CheckAndReport(WorkingState& state, CacheView& view, CommandReport& report)
{
    if (!state.files->FileExists(IndexPath(state.game.cache)) && !IsEmptyCache(*state.files, state.game.cache)) {
        report.Show(view, kProgramTitle);
        ShowMissingIndex(view, state.game.cache);
        return false;
    }
    report.Show(view, kProgramTitle);
    return true;
}

void ShowMissingIndex(CacheView& view, const std::string& cachePath)
{
    view.MsgBox("Cache.ini not found in \"" + cachePath + "\".\nProgram cannot continue.", "Cache.ini Missing",
                MsgIcon::Critical, MsgButtons::OK);
    view.EndProgram(1);
}

std::string FormatMegabytes(std::uint64_t bytes, const std::string& groupSeparator)
{
    const auto megabytes = static_cast<std::uint64_t>(std::llround(static_cast<double>(bytes) / 1024.0 / 1024.0));
    std::string digits = megabytes == 0 ? std::string() : std::to_string(megabytes);
    std::string grouped;
    for (std::size_t k = 0; k < digits.size(); ++k) {
        if (k > 0 && (digits.size() - k) % 3 == 0)
            grouped += groupSeparator;
        grouped += digits[k];
    }
    return grouped + " Megabytes";
}

} // namespace ovcache
