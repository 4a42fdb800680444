#include "catalogue/commands.h"

#include "catalogue/cacheIndex.h"
#include "catalogue/commandReport.h"
#include "catalogue/destinations.h"
#include "catalogue/entryNames.h"
#include "catalogue/placement.h"
#include "platform/modRegistry.h"
#include "platform/registry.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <unordered_map>
#include <vector>

namespace ovcache {
namespace {

std::optional<std::vector<std::string>> ReadIndex(WorkingState& state, CommandReport& report)
{
    try {
        return SplitIndexLines(state.objFSO->ReadTextFile(IndexPath(state.strCachePath)));
    } catch (const FileSystemError& e) {
        report.AddProblem("cache.ini", e.Path(), "The cache index could not be read: " + e.Reason());
        return std::nullopt;
    }
}

// Shows the directory's file count and size; the index is not counted.
void ShowStatistics(WorkingState& state, CacheView& view, bool indexPresent, CommandReport& report)
{
    try {
        state.objFolder = state.objFSO->GetFolder(state.strCachePath);
        // Counted, not listed: only Move All walks the files, and it takes
        // its own snapshot, so none is kept between commands.
        state.objFiles = FileCollection();
        const auto [count, size] = state.objFolder.Measure();
        const std::size_t cached = indexPresent && count > 0 ? count - 1 : count;
        if (!indexPresent && count == 0) {
            view.SetLabel(DataLabel::FileCount, "0");
            view.SetLabel(DataLabel::CacheSize, "0 Megabytes");
        } else {
            view.SetLabel(DataLabel::FileCount, std::to_string(cached));
            view.SetLabel(DataLabel::CacheSize, FormatMegabytes(size, state.strGroupSeparator));
        }
    } catch (const FileSystemError& e) {
        report.AddProblem("Cache directory", e.Path(), "Could not be measured: " + e.Reason());
    }
}

// Lists the maps of the index: the lines given, which a command has just
// written there, or else the file as it is now.
bool ListCache(WorkingState& state, CacheView& view, CommandReport& report,
               const std::vector<std::string>* written = nullptr)
{
    view.ClearList();
    if (!state.objFSO->FileExists(IndexPath(state.strCachePath))) {
        view.MsgBox("Cache.ini not found in \"" + state.strCachePath + "\".\nProgram cannot continue.",
                    "Cache.ini Missing", MsgIcon::Critical, MsgButtons::OK);
        view.EndProgram(1);
        return false;
    }
    std::optional<std::vector<std::string>> read;
    if (!written)
        read = ReadIndex(state, report);
    if (const std::vector<std::string>* lines = written ? written : read ? &*read : nullptr) {
        for (const std::string& line : *lines) {
            state.strLine = line;
            state.intEqPos = EqPos(line);
            const std::string_view name = EntryName(line);
            // A line without "=" is listed whole; it names no file to move.
            const bool safe = state.intEqPos == 0 ? IsSafeFileName(name) : IsSafeEntry(line);
            if (name != kIndexHeader && EndsWith(name, "kmx") && safe)
                view.AddListEntry(std::string(name));
        }
    }
    view.SetLabel(DataLabel::Path, state.strCachePath);
    ShowStatistics(state, view, true, report);
    return true;
}

// Takes the new index text in place of "cache.ini" in one step, through
// "cache.bak", so that the old index or the new one is there at every moment.
bool CommitIndex(WorkingState& state, const std::vector<std::string>& lines, CommandReport& report)
{
    FileSystemService& fso = *state.objFSO;
    const std::string rewrite = IndexRewritePath(state.strCachePath);
    try {
        // The moves are on disk before the new index takes the old one's
        // place; writing it first lets one flush of the disk serve both.
        fso.WriteTextFile(rewrite, JoinIndexLines(lines));
        fso.Flush();
        fso.ReplaceFile(rewrite, IndexPath(state.strCachePath));
        return true;
    } catch (const FileSystemError& e) {
        report.AddNote("The cache index could not be updated (" + e.Path() + ": " + e.Reason() +
                       "), so the files this command moved were put back.");
        try {
            if (fso.FileExists(rewrite))
                fso.DeleteFile(rewrite, true);
        } catch (const FileSystemError&) {
            // a stale "cache.bak" is emptied by the next Move
        }
        return false;
    }
}

} // namespace

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

bool Form_Load(WorkingState& state, CacheView& view, std::unique_ptr<FileSystemService> fso)
{
    state.objFSO = std::move(fso);
    state.strGameFolder = ReadRegString(kHKeyLocalMachine, kGameKey, kGameValue, "");
    state.strCachePath = state.strGameFolder + "\\Cache";
    return LoadCacheList(state, view);
}

bool LoadCacheList(WorkingState& state, CacheView& view)
{
    CommandReport report;
    const bool listed = ListCache(state, view, report);
    report.Show(view, "Orvane Cache Importer");
    return listed;
}

void cmdMove_Click(WorkingState& state, CacheView& view)
{
    state.strSelected = view.SelectedEntry();
    if (state.strSelected.empty()) {
        view.MsgBox("No file chosen from the list box", "Choose File", MsgIcon::None, MsgButtons::OK);
        return;
    }
    CommandReport report;
    const FileSystemBatch batch(*state.objFSO);
    auto lines = ReadIndex(state, report);
    if (!lines) {
        report.Show(view, "Move");
        return;
    }

    Placement placement(state, view, report, /*forceOverwrite=*/true, lines->size());
    std::vector<std::string> kept;
    kept.reserve(lines->size());
    for (std::string& line : *lines) {
        state.strLine = line;
        if (!placement.Place(ClassifyForMove(line, state.strSelected), line))
            kept.push_back(std::move(line));
    }

    const bool committed = CommitIndex(state, kept, report);
    if (committed)
        placement.Finish();
    else
        placement.Undo();
    ListCache(state, view, report, committed ? &kept : nullptr);
    report.Show(view, "Move");
}

void cmdMoveAll_Click(WorkingState& state, CacheView& view)
{
    FileSystemService& fso = *state.objFSO;
    const FileSystemBatch batch(fso);
    CommandReport report;
    const std::string index = IndexPath(state.strCachePath);
    std::optional<std::vector<std::string>> lines;
    try {
        state.objFolder = fso.GetFolder(state.strCachePath);
        state.objFiles = state.objFolder.Files();
        if (state.objFiles.Count() == 0) {
            // An empty cache has nothing to move and nothing to report.
            view.ClearList();
            ShowStatistics(state, view, false, report);
            report.Show(view, "Move All");
            return;
        }
        if (!fso.FileExists(index))
            report.AddNote("The cache index " + index + " is missing, so nothing was moved.");
        else
            lines = ReadIndex(state, report);
    } catch (const FileSystemError& e) {
        report.AddProblem("Cache directory", e.Path(), e.Reason());
    }
    if (!lines) {
        report.Show(view, "Move All");
        return;
    }

    // One pass over the index: each key to the first line that has it. A
    // file belongs to the line whose cached file path (the cache folder, "\",
    // the key, ".uxx") is the file's path exactly.
    std::unordered_map<std::string_view, std::size_t> lineOfKey;
    lineOfKey.reserve(lines->size());
    for (std::size_t k = 0; k < lines->size(); ++k) {
        const std::string& line = (*lines)[k];
        if (EqPos(line) > 0)
            lineOfKey.emplace(EntryKey(line), k);
    }

    // Each file of the snapshot with its line, taken in the order of the
    // lines: questions then come in the index's order, the earlier of two
    // lines naming one map wins, and the work on each folder stays together.
    std::vector<std::pair<std::size_t, const std::string*>> files;
    for (const std::string& file : state.objFiles) {
        const auto key = CachedFileKey(state.strCachePath, file);
        const auto found = key ? lineOfKey.find(*key) : lineOfKey.end();
        if (found != lineOfKey.end())
            files.emplace_back(found->second, &file);
    }
    std::sort(files.begin(), files.end());

    Placement placement(state, view, report, /*forceOverwrite=*/false, files.size());
    for (const auto& [line, file] : files) {
        state.varFile = *file;
        state.strLine = (*lines)[line];
        state.intEqPos = EqPos(state.strLine);
        placement.Place(ClassifyForMoveAll(state.strLine), state.strLine);
    }

    bool indexGone = true;
    try {
        fso.Flush();
        fso.DeleteFile(index, true);
    } catch (const FileSystemError& e) {
        indexGone = false;
        report.AddNote("The cache index could not be deleted (" + e.Reason() +
                       "), so the files this command moved were put back.");
    }
    if (indexGone) {
        placement.Finish();
        view.ClearList();
        ShowStatistics(state, view, false, report);
    } else {
        placement.Undo();
        ListCache(state, view, report);
    }
    report.Show(view, "Move All");
}

void cmdClear_Click(WorkingState& state, CacheView& view)
{
    state.intResponse =
        view.MsgBox("This will delete all files under " + state.strCachePath + "\nDo you wish to continue?",
                    "Clear Cache", MsgIcon::None, MsgButtons::YesNo);
    if (state.intResponse != vbYes)
        return;
    CommandReport report;
    const FileSystemBatch batch(*state.objFSO);
    try {
        state.objFSO->DeleteFile(state.strCachePath + "\\*.*", true);
    } catch (const FileSystemError& e) {
        if (e.Kind() != FsErrorKind::NothingMatched) // an empty cache is already clear
            report.AddProblem("Clear Cache", e.Path(), e.Reason());
    }
    view.ClearList();
    if (report.Empty()) {
        view.SetLabel(DataLabel::FileCount, "0");
        view.SetLabel(DataLabel::CacheSize, "0 Megabytes");
    } else {
        ShowStatistics(state, view, state.objFSO->FileExists(IndexPath(state.strCachePath)), report);
    }
    report.Show(view, "Clear Cache");
}

} // namespace ovcache
