#include "catalogue/commands.h"

#include "catalogue/cacheIndex.h"
#include "catalogue/commandReport.h"
#include "catalogue/destinations.h"
#include "catalogue/entryNames.h"
#include "catalogue/journal.h"
#include "catalogue/placement.h"
#include "platform/codePage.h"
#include "platform/modRegistry.h"
#include "platform/registry.h"

#include <algorithm>
#include <cmath>
#include <future>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace ovcache {
namespace {

std::optional<IndexLines> ReadIndex(WorkingState& state, CommandReport& report)
{
    try {
        return IndexLines(state.files->ReadTextFile(IndexPath(state.game.cache)));
    } catch (const FileSystemError& e) {
        report.AddProblem("cache.ini", e.Path(), "The cache index could not be read: " + e.Reason());
        return std::nullopt;
    }
}

// Starts measuring the cache directory; the figures are taken in
// ShowStatistics, so that other work can go on meanwhile.
std::future<FolderMeasure> MeasureCache(WorkingState& state)
{
    try {
        // Counted, not listed: only Move All walks the files, and it takes
        // its own snapshot.
        return state.files->GetFolder(state.game.cache).MeasureLater();
    } catch (const FileSystemError&) {
        std::promise<FolderMeasure> failed;
        failed.set_exception(std::current_exception());
        return failed.get_future();
    }
}

// Shows the directory's file count and size; the index is not counted.
void ShowStatistics(const WorkingState& state, CacheView& view, bool indexPresent, CommandReport& report,
                    std::future<FolderMeasure> measuring)
{
    try {
        const auto [count, size] = measuring.get();
        const std::size_t cached = indexPresent && count > 0 ? count - 1 : count;
        if (!indexPresent && count == 0) {
            view.SetLabel(DataLabel::FileCount, "0");
            view.SetLabel(DataLabel::CacheSize, "0 Megabytes");
        } else {
            view.SetLabel(DataLabel::FileCount, std::to_string(cached));
            view.SetLabel(DataLabel::CacheSize, FormatMegabytes(size, state.groupSeparator));
        }
        view.Measured(cached, size);
    } catch (const FileSystemError& e) {
        report.AddProblem("Cache directory", e.Path(), "Could not be measured: " + e.Reason());
    }
}

void ShowStatistics(WorkingState& state, CacheView& view, bool indexPresent, CommandReport& report)
{
    ShowStatistics(state, view, indexPresent, report, MeasureCache(state));
}

// Whether any file of the listing is a cached file ("<key>.uxx", in any case).
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

// A cache folder with no cached file in it, as Move All and Clear Cache
// leave it: without an index that is no fault, since the game writes a new
// one when it next downloads.
bool IsEmptyCache(FileSystemService& fso, const std::string& cachePath)
{
    try {
        return !HoldsCachedFile(fso.ListFiles(cachePath));
    } catch (const FileSystemError&) {
        return false; // no cache folder at all
    }
}

void ShowEmptyCache(const WorkingState& state, CacheView& view)
{
    view.ClearList();
    view.SetLabel(DataLabel::Path, state.game.cache);
    view.SetLabel(DataLabel::FileCount, "0");
    view.SetLabel(DataLabel::CacheSize, "0 Megabytes");
    view.Measured(0, 0);
}

// Lists the maps of the index: the lines given, which a command has just
// written there, or else the file as it is now. When the index is missing
// from a cache that holds files, what the command has to report comes before
// the box that ends the program.
bool ListCache(WorkingState& state, CacheView& view, CommandReport& report, const std::string& title,
               const IndexLines* written = nullptr)
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
    std::future<FolderMeasure> measuring = MeasureCache(state);
    std::optional<IndexLines> read;
    if (!written)
        read = ReadIndex(state, report);
    if (const IndexLines* lines = written ? written : read ? &*read : nullptr) {
        for (const std::string_view line : *lines) {
            const std::string_view name = EntryName(line);
            // A line without "=" is listed whole; it names no file to move.
            const bool safe = EqPos(line) == 0 ? IsSafeIndexName(name) : IsSafeEntry(line);
            if (name != kIndexHeader && EndsWith(name, "kmx") && safe)
                view.AddListEntry(AnsiToUtf8(name));
        }
    }
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

// How a command's change of the index ended.
struct Commit {
    std::optional<IndexLines> written; // the new lines, when they are in place
    bool indexGone = false;            // another program removed the index meanwhile
};

// Takes the new index in place of "cache.ini" in one step, through
// "cache.bak", so that the old index or the new one is there at every moment;
// the journal hears of it, and of intents, first. The command's removals
// (lines of read, in its order) are applied to the index as it is now, so
// that lines another program added meanwhile are kept.
Commit CommitIndex(WorkingState& state, GameSession& session, std::vector<Intent> intents, const IndexLines& read,
                   const std::vector<std::string_view>& removed, CommandReport& report)
{
    FileSystemService& fso = *state.files;
    const std::string rewrite = IndexRewritePath(state.game.cache), index = IndexPath(state.game.cache);
    std::string text;
    bool replacing = false;
    try {
        std::string now = fso.ReadTextFile(index);
        std::vector<std::string_view> kept;
        // Unchanged since it was read (as nearly always): each removed line
        // is known by its place, and nothing need be looked up.
        bool byPlace = now == read.Text();
        if (byPlace) {
            kept.reserve(read.size() - std::min(read.size(), removed.size()));
            auto next = removed.begin();
            for (const std::string_view line : read) {
                if (next != removed.end() && next->data() == line.data())
                    ++next;
                else
                    kept.push_back(line);
            }
            byPlace = next == removed.end();
        }
        if (byPlace)
            std::string().swap(now);
        if (!byPlace) {
            // Changed: each removed line goes once, found by its text.
            std::unordered_map<std::string_view, int> toRemove;
            for (const std::string_view line : removed)
                ++toRemove[line];
            kept = SplitIndexLines(now);
            std::erase_if(kept, [&](std::string_view line) {
                const auto found = toRemove.find(line);
                return found != toRemove.end() && found->second-- > 0;
            });
        }
        text = JoinIndexLines(kept);
        std::vector<std::string_view>().swap(kept);
        std::string().swap(now);
        intents.push_back(Intent::Rewrite());
        session.Record(intents);
        // The moves are on disk before the new index takes the old one's
        // place; writing it first lets one flush of the disk serve both.
        fso.WriteTextFile(rewrite, text);
        fso.Flush();
        replacing = true;
        fso.ReplaceFile(rewrite, index);
        return {IndexLines(std::move(text)), false};
    } catch (const FileSystemError& e) {
        if (e.Kind() == FsErrorKind::AccessDenied)
            report.MarkDenied();
        // The replace may have taken place before it failed: the index that
        // is there decides whether the moves stand or go back.
        Commit ended;
        try {
            if (replacing && fso.ReadTextFile(index) == text) {
                report.AddNote("The new cache index is in place, but the disk reported a failure (" + e.Path() + ": " +
                               e.Reason() + ").");
                return {IndexLines(std::move(text)), false};
            }
        } catch (const FileSystemError& installed) {
            ended.indexGone = installed.Kind() == FsErrorKind::NotFound;
        }
        ended.indexGone = ended.indexGone || (e.Kind() == FsErrorKind::NotFound && e.Path() == index);
        if (ended.indexGone)
            report.AddNote("The cache index was removed while this command worked, so the files it moved keep "
                           "their places.");
        else
            report.AddNote("The cache index could not be updated (" + e.Path() + ": " + e.Reason() +
                           "), so the files this command moved were put back.");
        try {
            if (fso.PathExists(rewrite))
                fso.DeleteOneFile(rewrite, true);
        } catch (const FileSystemError&) {
            // the journal has it removed by the next command
        }
        return ended;
    }
}

// Which lines name a file that is in the cache folder, marked on the first
// line with the file's key: a line names "<key>.uxx", compared as Windows
// compares names.
std::vector<bool> FilesNamed(const FileCollection& files, const IndexKeys& keys, std::size_t lineCount)
{
    std::vector<bool> present(lineCount, false);
    std::string folded;
    for (std::size_t k = 0; k < files.Count(); ++k) {
        folded.assign(files.Name(k));
        FoldCaseInPlace(folded);
        const std::optional<std::string_view> key = KeyOfCachedFile(folded);
        if (!key)
            continue;
        const std::size_t line = keys.Find(*key);
        if (line != std::string_view::npos)
            present[line] = true;
    }
    return present;
}

// After an interrupted command: the index loses the lines whose cached files
// went to the game before the command could rewrite it, so that the list
// shows exactly the maps still cached. Lines of files still there, and lines
// naming no file, stay as they are.
void DropLinesOfGoneFiles(WorkingState& state, GameSession& session, CommandReport& report)
{
    FileSystemService& fso = *state.files;
    if (!fso.FileExists(IndexPath(state.game.cache)))
        return;
    const std::optional<IndexLines> lines = ReadIndex(state, report);
    if (!lines)
        return;
    std::vector<std::string_view> removed;
    {
        const IndexKeys keys(*lines);
        std::vector<bool> present;
        try {
            present = FilesNamed(fso.ListFiles(state.game.cache), keys, lines->size());
        } catch (const FileSystemError&) {
            return; // then no line can be judged
        }
        for (std::size_t k = 0; k < lines->size(); ++k) {
            const std::string_view line = (*lines)[k];
            if (NamesAFile(line) && IsSafeIndexName(EntryKey(line)) && !present[keys.FirstOf(k)])
                removed.push_back(line);
        }
    }
    if (!removed.empty())
        CommitIndex(state, session, {}, *lines, removed, report);
}

// Whether the game reads its cache from the VirtualStore copy of its install
// folder: the copy's index wins over the install folder's; without either,
// files the game downloaded there are the cache.
bool GameUsesStoredCache(FileSystemService& fso, const std::string& storeCache, const std::string& installedCache)
{
    if (fso.FileExists(IndexPath(storeCache)))
        return true;
    if (fso.FileExists(IndexPath(installedCache)))
        return false;
    return fso.FolderExists(storeCache) && !IsEmptyCache(fso, storeCache);
}

// The command's report, and where Windows refused this program the game's
// folders, the way out: the same program run as administrator.
void EndCommand(WorkingState& state, CacheView& view, const CommandReport& report, const std::string& title)
{
    report.Show(view, title);
    if (!report.Denied() || !state.restartAsAdministrator)
        return;
    const MsgAnswer answer =
        view.MsgBox("Windows did not let this program change the game's files in " + state.game.folder +
                        ".\nOnly a program run as administrator may change them. Restart Orvane Cache Importer "
                        "as administrator and try again?",
                    title, MsgIcon::None, MsgButtons::YesNo);
    if (answer == MsgAnswer::Yes && state.restartAsAdministrator())
        view.EndProgram(0);
}

} // namespace

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

bool StartUp(WorkingState& state, CacheView& view, std::unique_ptr<FileSystemService> fso)
{
    state.files = std::move(fso);
    // A game folder the player chose stands; otherwise the registry says.
    if (state.game.folder.empty())
        state.game.folder = ReadRegString(kHKeyLocalMachine, kGameKey, kGameValue, "");
    if (!state.game.installFolder.empty())
        state.game.folder = std::exchange(state.game.installFolder, {});
    // Under a folder Windows protects, the game's downloads may be in the
    // user's VirtualStore, and then the maps go where the game loads them
    // first: in the same copy.
    const std::string install = state.game.folder;
    const std::string store = install.empty() || !state.virtualStoreOf ? std::string() : state.virtualStoreOf(install);
    const bool stored = !store.empty() && GameUsesStoredCache(*state.files, store + "\\Cache", install + "\\Cache");
    CommandReport report;
    // Puts in order what an interrupted command left, and nothing else; in
    // the other folder too when a journal waits there, since a command that
    // emptied the copy's cache leaves the game reading the install folder's.
    const auto repair = [&](const std::string& folder) {
        state.game.folder = folder;
        state.game.cache = folder + "\\Cache";
        GameSession session(state, view, report, kProgramTitle, /*startUp=*/true);
        if (session.Held() && session.Interrupted()) {
            const FileSystemBatch batch(*state.files);
            DropLinesOfGoneFiles(state, session, report);
            session.Close();
        }
    };
    if (const std::string& other = stored ? install : store;
        !other.empty() && state.files->PathExists(other + "\\" + std::string(kJournalName)))
        repair(other);
    repair(stored ? store : install);
    if (stored)
        state.game.installFolder = install;
    return ListAndReport(state, view, report);
}

bool LoadCacheList(WorkingState& state, CacheView& view)
{
    CommandReport report;
    return ListAndReport(state, view, report);
}

void MoveSelectedMap(WorkingState& state, CacheView& view)
{
    state.selected = view.SelectedEntry();
    if (state.selected.empty()) {
        view.MsgBox("No file chosen from the list box", "Choose File", MsgIcon::None, MsgButtons::OK);
        return;
    }
    CommandReport report;
    const FileSystemBatch batch(*state.files);
    GameSession session(state, view, report, "Move");
    if (!session.Held()) {
        EndCommand(state, view, report, "Move");
        return;
    }
    const std::optional<IndexLines> lines = ReadIndex(state, report);
    if (!lines) {
        EndCommand(state, view, report, "Move");
        return;
    }
    std::optional<IndexKeys> keys(*lines); // let go before the commit
    std::vector<bool> cached;
    try {
        cached = FilesNamed(state.files->ListFiles(state.game.cache), *keys, lines->size());
    } catch (const FileSystemError& e) {
        // then no line can be judged
        report.AddProblem("Cache directory", e.Path(), "Could not be read: " + e.Reason());
        EndCommand(state, view, report, "Move");
        return;
    }

    Placement placement(state, view, report, session, /*forceOverwrite=*/true);
    std::vector<std::string_view> removed; // lines of *lines, in order
    bool selectedNamesNothing = false, selectedGone = false, selectedFound = false;
    for (std::size_t k = 0; k < lines->size(); ++k) {
        const std::string_view line = (*lines)[k];
        const EntryKind kind = ClassifyForMove(line, state.selected);
        if (!NamesAFile(line)) {
            // kept as it is; a selected entry of such a line has nothing to move
            selectedNamesNothing = selectedNamesNothing || NameIs(line, state.selected);
            continue;
        }
        const std::size_t first = keys->FirstOf(k);
        if (IsSafeIndexName(EntryKey(line)) && !cached[first]) {
            // Its file went earlier (a command that stopped part-way, or an
            // earlier line of this one with the same key): the line names
            // nothing and goes; that is no failure.
            selectedGone = selectedGone || kind == EntryKind::Map;
            removed.push_back(line);
            continue;
        }
        selectedFound = selectedFound || kind == EntryKind::Map;
        if (placement.Place(kind, line)) {
            removed.push_back(line);
            cached[first] = false;
        }
    }

    keys.reset();
    Commit commit;
    if (!removed.empty())
        commit = CommitIndex(state, session, placement.Discards(), *lines, removed, report);
    if (commit.written || removed.empty() || commit.indexGone)
        placement.Finish();
    else
        placement.Undo();
    session.Close();
    if (!ListCache(state, view, report, "Move", commit.written ? &*commit.written : nullptr))
        return; // the index is gone: that box was the last
    if (!selectedFound && selectedGone)
        view.MsgBox("The cached file of " + state.selected +
                        " is no longer in the cache, so there was nothing to move. Its entry has been removed.",
                    "Move", MsgIcon::None, MsgButtons::OK);
    else if (!selectedFound && selectedNamesNothing)
        view.MsgBox(state.selected + " names no cached file in the cache index, so there is nothing to move.", "Move",
                    MsgIcon::None, MsgButtons::OK);
    EndCommand(state, view, report, "Move");
}

void MoveAllCached(WorkingState& state, CacheView& view)
{
    FileSystemService& fso = *state.files;
    const FileSystemBatch batch(fso);
    CommandReport report;
    GameSession session(state, view, report, "Move All");
    if (!session.Held()) {
        EndCommand(state, view, report, "Move All");
        return;
    }
    const std::string index = IndexPath(state.game.cache);
    std::optional<IndexLines> lines;
    FileCollection files;
    try {
        files = fso.ListFiles(state.game.cache);
        if (!HoldsCachedFile(files) && !fso.FileExists(index)) {
            // An empty cache has nothing to move and nothing to report.
            ShowEmptyCache(state, view);
            EndCommand(state, view, report, "Move All");
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
        EndCommand(state, view, report, "Move All");
        return;
    }

    // The files of the snapshot that lines name, each with the first line
    // naming it, taken in the order of the lines: questions then come in the
    // index's order, the earlier of two lines naming one map wins, and the
    // work on each folder stays together.
    std::optional<IndexKeys> keys(*lines); // let go before the commit
    const std::vector<bool> present = FilesNamed(files, *keys, lines->size());
    files.Clear(); // the names are not needed again
    const auto total = static_cast<std::size_t>(std::count(present.begin(), present.end(), true));

    std::vector<bool> placed(lines->size(), false);
    Placement placement(state, view, report, session, /*forceOverwrite=*/false, total);
    std::size_t done = 0;
    for (std::size_t k = 0; k < lines->size(); ++k) {
        if (!present[k])
            continue;
        view.Progress(done++, total);
        const std::string_view line = (*lines)[k];
        placed[k] = placement.Place(ClassifyForMoveAll(line), line);
    }

    // A line keeps its place while the file it names is still in the cache;
    // a line whose file was placed, or had gone before, names nothing now.
    std::vector<std::string_view> removed; // in the order of the lines
    removed.reserve(done);
    bool fileStays = false;
    for (std::size_t k = 0; k < lines->size(); ++k) {
        const std::string_view line = (*lines)[k];
        if (!NamesAFile(line) || !IsSafeIndexName(EntryKey(line)))
            continue; // kept as it is, as Move keeps it
        const std::size_t first = keys->FirstOf(k);
        const bool stays = present[first] && !placed[first];
        fileStays = fileStays || stays;
        if (!stays)
            removed.push_back(line);
    }

    keys.reset();

    // When every file the index names has been placed the index goes; when
    // any stays, the index is rewritten to name just those, so that no
    // cached file loses its real name.
    bool committed = true;
    Commit commit;
    if (fileStays) {
        commit = CommitIndex(state, session, placement.Discards(), *lines, removed, report);
        committed = commit.written || commit.indexGone;
    } else {
        try {
            if (const std::vector<Intent> discards = placement.Discards(); !discards.empty())
                session.Record(discards);
            fso.Flush();
            fso.DeleteFile(index, true);
        } catch (const FileSystemError& e) {
            // an index already gone is as good as deleted
            committed = e.Kind() == FsErrorKind::NotFound && e.Path() == index;
            if (e.Kind() == FsErrorKind::AccessDenied)
                report.MarkDenied();
            if (!committed)
                report.AddNote("The cache index could not be deleted (" + e.Reason() +
                               "), so the files this command moved were put back.");
        }
    }
    if (committed)
        placement.Finish();
    else
        placement.Undo();
    session.Close();
    if (committed && !fileStays) {
        view.ClearList();
        ShowStatistics(state, view, false, report);
    } else if (!ListCache(state, view, report, "Move All", commit.written ? &*commit.written : nullptr)) {
        return; // the index is gone: that box was the last
    }
    EndCommand(state, view, report, "Move All");
}

void ClearCache(WorkingState& state, CacheView& view)
{
    const MsgAnswer answer =
        view.MsgBox("This will delete all files under " + state.game.cache + "\nDo you wish to continue?",
                    "Clear Cache", MsgIcon::None, MsgButtons::YesNo);
    if (answer != MsgAnswer::Yes)
        return;
    CommandReport report;
    const FileSystemBatch batch(*state.files);
    GameSession session(state, view, report, "Clear Cache");
    if (!session.Held()) {
        EndCommand(state, view, report, "Clear Cache");
        return;
    }
    try {
        session.Record({Intent::Clear()});
        // The index last, so that a cache left part-cleared still has it.
        state.files->DeleteFile(state.game.cache + "\\*.*", true, "cache.ini",
                                [&view](std::size_t done, std::size_t total) { view.Progress(done, total); });
    } catch (const FileSystemError& e) {
        if (e.Kind() == FsErrorKind::AccessDenied)
            report.MarkDenied();
        if (e.Kind() != FsErrorKind::NothingMatched) // an empty cache is already clear
            report.AddProblem("Clear Cache", e.Path(), e.Reason());
    }
    // A cache left part-cleared keeps its index, without the files deleted.
    if (!report.Empty())
        DropLinesOfGoneFiles(state, session, report);
    session.Close();
    view.ClearList();
    if (report.Empty()) {
        view.SetLabel(DataLabel::FileCount, "0");
        view.SetLabel(DataLabel::CacheSize, "0 Megabytes");
        view.Measured(0, 0);
    } else {
        ShowStatistics(state, view, state.files->FileExists(IndexPath(state.game.cache)), report);
    }
    EndCommand(state, view, report, "Clear Cache");
}

} // namespace ovcache
