#include "catalogue/commands.h"

#include "catalogue/cacheIndex.h"
#include "catalogue/commandReport.h"
#include "catalogue/destinations.h"
#include "catalogue/entryNames.h"
#include "catalogue/indexCommit.h"
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

// The cache's index as Move All begins; nothing when there is nothing to
// move: the cache empty (shown so) or its index unreadable or missing
// (reported).
std::optional<IndexLines> ReadForMoveAll(WorkingState& state, CacheView& view, CommandReport& report)
{
    FileSystemService& fso = *state.files;
    const std::string index = IndexPath(state.game.cache);
    if (fso.FileExists(index))
        return ReadIndex(fso, state.game, report);
    const Outcome<FileCollection> listed = fso.TryListFiles(state.game.cache);
    if (!listed)
        report.AddProblem("Cache directory", listed.Failure().Path(), listed.Failure().Reason());
    else if (HoldsCachedFile(*listed))
        report.AddNote("The cache index " + index + " is missing, so nothing was moved.");
    else
        ShowEmptyCache(state, view); // an empty cache has nothing to move and nothing to report
    return std::nullopt;
}

// The lines Move All takes out of the index, in their order: a line keeps its
// place while the file it names is still in the cache; a line whose file was
// placed, or had gone before, names nothing now. fileStays says whether any
// file the index names is left.
Removals LinesToRemove(const IndexLines& lines, const CachedFiles& cached, const std::vector<bool>& placed,
                       bool& fileStays)
{
    Removals removed(lines.size());
    fileStays = false;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const IndexEntry& entry = lines[k];
        if (!entry.NamesAFile() || !entry.KeySafe())
            continue; // kept as it is, as Move keeps it
        const std::size_t first = cached.first[k];
        const bool stays = cached.present[first] && !placed[first];
        fileStays = fileStays || stays;
        if (!stays)
            removed.Mark(k);
    }
    return removed;
}

// With nothing the index names left in the cache, the index goes; false when
// it could not, and the moves are to go back.
bool DeleteIndex(GameSession& session, const std::vector<Intent>& discards, CommandReport& report)
{
    FileSystemService& fso = session.Files();
    const std::string index = IndexPath(session.Game().cache);
    Outcome<void> done = discards.empty() ? Outcome<void>() : session.Record(discards);
    if (done)
        done = fso.TryFlush();
    if (done)
        done = fso.TryDeleteFile(index, true);
    // an index already gone is as good as deleted
    if (done || (done.Failure().Kind() == FsErrorKind::NotFound && done.Failure().Path() == index))
        return true;
    report.AddNote("The cache index could not be deleted (" + report.ReasonOf(done.Failure()) +
                   "), so the files this command moved were put back.");
    return false;
}

// What became of the selected map in Move, for the words after the list.
struct Selected {
    bool found = false;        // its file was there to move
    bool gone = false;         // its file had gone before
    bool namesNothing = false; // its line names no file
};

// Places the selected map and every package the lines name whose file is
// cached; the lines that name nothing now, in their order.
Removals PlaceSelected(const WorkingState& state, const IndexLines& lines, CachedFiles& cached, Placement& placement,
                       Selected& selected)
{
    Removals removed(lines.size());
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const IndexEntry& entry = lines[k];
        const EntryKind kind = ClassifyForMove(entry, state.selected);
        if (!entry.NamesAFile()) {
            // kept as it is; a selected entry of such a line has nothing to move
            selected.namesNothing = selected.namesNothing || NameIs(entry.Text(), state.selected);
            continue;
        }
        const std::size_t first = cached.first[k];
        if (entry.KeySafe() && !cached.present[first]) {
            // Its file went earlier (a command that stopped part-way, or an
            // earlier line of this one with the same key): the line names
            // nothing and goes; that is no failure.
            selected.gone = selected.gone || kind == EntryKind::Map;
            removed.Mark(k);
            continue;
        }
        selected.found = selected.found || kind == EntryKind::Map;
        if (placement.Place(kind, k, cached.plain[first])) {
            removed.Mark(k);
            cached.present[first] = false;
        }
    }
    return removed;
}

// Says why nothing was moved for the selected map, when nothing was.
void TellAboutSelected(const WorkingState& state, CacheView& view, const Selected& selected)
{
    if (!selected.found && selected.gone)
        view.MsgBox("The cached file of " + state.selected +
                        " is no longer in the cache, so there was nothing to move. Its entry has been removed.",
                    "Move", MsgIcon::None, MsgButtons::OK);
    else if (!selected.found && selected.namesNothing)
        view.MsgBox(state.selected + " names no cached file in the cache index, so there is nothing to move.", "Move",
                    MsgIcon::None, MsgButtons::OK);
}

// The end of a command's work on the game: its moves stand, or go back when
// the index could not be changed; the journal is settled; and what the
// command held is let go before the cache is listed again.
void EndWork(bool committed, Placement& placement, GameSession& session, FileSystemBatch& batch,
             std::optional<IndexLines>& lines)
{
    if (committed)
        placement.Finish();
    else
        placement.Undo();
    session.Close();
    batch.End();
    lines.reset();
}

} // namespace

bool StartUp(WorkingState& state, CacheView& view, std::unique_ptr<FileSystemService> fso, bool list)
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
        GameSession session(*state.files, state.game, view, report, kProgramTitle, state.lockPatience,
                            /*startUp=*/true);
        if (session.Held() && session.Interrupted()) {
            const FileSystemBatch batch(*state.files);
            DropLinesOfGoneFiles(session, report);
            session.Close();
        }
    };
    if (const std::string& other = stored ? install : store;
        !other.empty() && state.files->PathExists(other + "\\" + std::string(kJournalName)))
        repair(other);
    repair(stored ? store : install);
    if (stored)
        state.game.installFolder = install;
    return list ? ListAndReport(state, view, report) : CheckAndReport(state, view, report);
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
    FileSystemBatch batch(*state.files);
    GameSession session(*state.files, state.game, view, report, "Move", state.lockPatience);
    std::optional<IndexLines> lines = session.Held() ? ReadIndex(*state.files, state.game, report) : std::nullopt;
    if (!lines) {
        EndCommand(state, view, report, "Move");
        return;
    }
    Outcome<CachedFiles> matched = MatchCachedFiles(*state.files, state.game.cache, *lines);
    if (!matched) {
        // then no line can be judged
        report.AddProblem("Cache directory", matched.Failure().Path(),
                          "Could not be read: " + matched.Failure().Reason());
        EndCommand(state, view, report, "Move");
        return;
    }
    CachedFiles& cached = *matched;

    Placement placement(session, *lines, view, report, /*forceOverwrite=*/true, state.existingMaps);
    Selected selected;
    const Removals removed = PlaceSelected(state, *lines, cached, placement, selected);
    Commit commit;
    if (!removed.Empty())
        commit = CommitIndex(session, placement.Discards(), *lines, removed, report);
    EndWork(commit.written || removed.Empty() || commit.indexGone, placement, session, batch, lines);
    if (!ListCache(state, view, report, "Move"))
        return; // the index is gone: that box was the last
    TellAboutSelected(state, view, selected);
    EndCommand(state, view, report, "Move");
}

void MoveAllCached(WorkingState& state, CacheView& view)
{
    FileSystemBatch batch(*state.files);
    CommandReport report;
    GameSession session(*state.files, state.game, view, report, "Move All", state.lockPatience);
    std::optional<IndexLines> lines = session.Held() ? ReadForMoveAll(state, view, report) : std::nullopt;
    const Outcome<CachedFiles> matched =
        lines ? MatchCachedFiles(*state.files, state.game.cache, *lines) : Outcome<CachedFiles>(CachedFiles{});
    if (lines && !matched)
        report.AddProblem("Cache directory", matched.Failure().Path(), matched.Failure().Reason());
    if (!lines || !matched) {
        EndCommand(state, view, report, "Move All");
        return;
    }

    // The files of the snapshot that lines name, each with the first line
    // naming it, taken in the order of the lines: questions then come in the
    // index's order, the earlier of two lines naming one map wins, and the
    // work on each folder stays together.
    const CachedFiles& cached = *matched;
    const std::vector<bool>& present = cached.present;
    const auto total = static_cast<std::size_t>(std::count(present.begin(), present.end(), true));
    std::vector<bool> placed(lines->size(), false);
    Placement placement(session, *lines, view, report, /*forceOverwrite=*/false, state.existingMaps, total);
    for (std::size_t k = 0, done = 0; k < lines->size(); ++k) {
        if (!present[k])
            continue;
        view.Progress(done++, total);
        placed[k] = placement.Place((*lines)[k].Kind(), k, cached.Plain(k));
    }
    bool fileStays = false;
    const Removals removed = LinesToRemove(*lines, cached, placed, fileStays);

    // When every file the index names has been placed the index goes; when
    // any stays, the index is rewritten to name just those, so that no
    // cached file loses its real name.
    Commit commit;
    if (fileStays)
        commit = CommitIndex(session, placement.Discards(), *lines, removed, report);
    const bool committed =
        fileStays ? commit.written || commit.indexGone : DeleteIndex(session, placement.Discards(), report);
    EndWork(committed, placement, session, batch, lines);
    if (committed && !fileStays) {
        view.ClearList();
        ShowStatistics(state, view, false, report);
    } else if (!ListCache(state, view, report, "Move All")) {
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
    GameSession session(*state.files, state.game, view, report, "Clear Cache", state.lockPatience);
    if (!session.Held()) {
        EndCommand(state, view, report, "Clear Cache");
        return;
    }
    Outcome<void> cleared = session.Record({Intent::Clear()});
    // The index last, so that a cache left part-cleared still has it.
    if (cleared)
        cleared =
            state.files->TryDeleteFile(state.game.cache + "\\*.*", true, "cache.ini",
                                       [&view](std::size_t done, std::size_t total) { view.Progress(done, total); });
    // an empty cache is already clear
    if (!cleared && cleared.Failure().Kind() != FsErrorKind::NothingMatched)
        report.AddProblem("Clear Cache", cleared.Failure().Path(), report.ReasonOf(cleared.Failure()));
    // A cache left part-cleared keeps its index, without the files deleted.
    if (!report.Empty())
        DropLinesOfGoneFiles(session, report);
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
