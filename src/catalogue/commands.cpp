#include "catalogue/commands.h"

#include "catalogue/cacheIndex.h"
#include "catalogue/destinations.h"
#include "catalogue/entryNames.h"
#include "catalogue/indexCommit.h"
#include "catalogue/journal.h"
#include "catalogue/listing.h"
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
// files the game downloaded there are the cache. A copy whose index could
// not be looked for is not used, and the report says why.
bool GameUsesStoredCache(FileSystemService& fso, const std::string& storeCache, const std::string& installedCache,
                         CommandReport& report)
{
    const Outcome<bool> stored = fso.LookForFile(IndexPath(storeCache));
    if (!stored) {
        report.AddProblem(Why::IndexUnreadable, "cache.ini", stored.Failure());
        return false;
    }
    if (*stored)
        return true;
    if (fso.FileExists(IndexPath(installedCache)))
        return false;
    return fso.FolderExists(storeCache) && !IsEmptyCache(fso, storeCache);
}

// The cache's index as Move All begins; nothing when there is nothing to
// move: the cache empty (so in the result) or its index unreadable or
// missing (reported).
std::optional<IndexLines> ReadForMoveAll(const OpenedGame& game, CommandResult& result)
{
    FileSystemService& fso = game.Files();
    const std::string index = IndexPath(game.Cache());
    const Outcome<bool> there = fso.LookForFile(index);
    if (!there) {
        result.report.AddProblem(Why::IndexUnreadable, "cache.ini", there.Failure());
        return std::nullopt;
    }
    if (*there)
        return ReadIndex(fso, game.Folders(), result.report);
    const Outcome<FileCollection> listed = fso.TryListFiles(game.Cache());
    if (!listed)
        result.report.AddProblem(Why::CacheUnreadable, "Cache directory", listed.Failure());
    else if (HoldsCachedFile(*listed))
        result.report.AddNote({NoteKind::NoIndexNothingMoved, index});
    else
        EmptyCache(result); // an empty cache has nothing to move and nothing to report
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
    report.AddNote({NoteKind::IndexNotDeleted, done.Failure().Path(), done.Failure().Reason(), done.Failure().Kind()});
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
Removals PlaceSelected(const std::string& name, const IndexLines& lines, CachedFiles& cached, Placement& placement,
                       Selected& selected)
{
    Removals removed(lines.size());
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const IndexEntry& entry = lines[k];
        const EntryKind kind = entry.KindForMove(name);
        if (!entry.NamesAFile()) {
            // kept as it is; a selected entry of such a line has nothing to move
            selected.namesNothing = selected.namesNothing || NameIs(entry.Text(), name);
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

// What became of the selected map, when nothing was moved for it.
SelectedFate FateOf(const Selected& selected)
{
    if (!selected.found && selected.gone)
        return SelectedFate::Gone;
    if (!selected.found && selected.namesNothing)
        return SelectedFate::NamesNothing;
    return SelectedFate::Handled;
}

// The end of a command's work on the game: its moves stand, or go back when
// the index could not be changed; the journal is settled; and what the
// command held is let go before the cache is listed again.
void EndWork(bool committed, Placement& placement, GameSession& session, FileSystemBatch& batch,
             std::optional<IndexLines>& lines, DoneFiles& done)
{
    if (committed)
        placement.Finish(done);
    else
        placement.Undo();
    session.Close();
    batch.End();
    lines.reset();
}

} // namespace

Opening OpenGame(std::unique_ptr<FileSystemService> files, const std::string& folder, const Progress& progress,
                 bool list, const GameOptions& options)
{
    std::shared_ptr<FileSystemService> fso = std::move(files);
    // A game folder the player chose stands; otherwise the registry says.
    const std::string install = folder.empty() ? ReadRegString(kHKeyLocalMachine, kGameKey, kGameValue, "") : folder;
    // Under a folder Windows protects, the game's downloads may be in the
    // user's VirtualStore, and then the maps go where the game loads them
    // first: in the same copy.
    const std::string store =
        install.empty() || !options.virtualStoreOf ? std::string() : options.virtualStoreOf(install);
    CommandResult result;
    const bool stored =
        !store.empty() && GameUsesStoredCache(*fso, store + "\\Cache", install + "\\Cache", result.report);
    Ending repair = Ending::Done;
    // Puts in order what an interrupted command left, and nothing else; in
    // the other folder too when a journal waits there, since a command that
    // emptied the copy's cache leaves the game reading the install folder's.
    const auto repairAt = [&](const std::string& at) {
        const GameFolders folders{at, {}, at + "\\Cache"};
        const FileSystemBatch batch(*fso);
        const GameSession session(*fso, folders, result.report, options.lockPatience, /*startUp=*/true);
        if (session.Busy() || session.Refused())
            repair = session.NotHeld();
    };
    if (const std::string& other = stored ? install : store;
        !other.empty() && fso->PathExists(other + "\\" + std::string(kJournalName)))
        repairAt(other);
    const std::string& at = stored ? store : install;
    repairAt(at);
    Opening opening{
        OpenedGame(fso, GameFolders{at, stored ? install : std::string(), at + "\\Cache"}, options.lockPatience),
        repair, std::move(result)};
    if (list)
        ListCache(opening.game, opening.result, progress);
    else
        CheckIndex(opening.game, opening.result);
    return opening;
}

CommandResult LoadCacheList(const OpenedGame& game, const Progress& progress)
{
    CommandResult result;
    ListCache(game, result, progress);
    return result;
}

CommandResult MoveSelectedMap(const OpenedGame& game, const std::string& name, Decisions& decisions,
                              const Progress& progress)
{
    CommandResult result;
    result.cacheFolder = game.Cache();
    if (name.empty()) {
        result.ending = Ending::NothingSelected;
        return result;
    }
    FileSystemService& fso = game.Files();
    CommandReport& report = result.report;
    FileSystemBatch batch(fso);
    GameSession session(fso, game.Folders(), report, game.LockPatience());
    if (!session.Held()) {
        result.ending = session.NotHeld();
        return result;
    }
    std::optional<IndexLines> lines = ReadIndex(fso, game.Folders(), report);
    if (!lines)
        return result;
    Outcome<CachedFiles> matched = MatchCachedFiles(fso, game.Cache(), *lines);
    if (!matched) {
        // then no line can be judged
        report.AddProblem(Why::CacheUnreadable, "Cache directory", matched.Failure());
        return result;
    }
    CachedFiles& cached = *matched;

    Placement placement(session, *lines, decisions, report, /*forceOverwrite=*/true);
    Selected selected;
    const Removals removed = PlaceSelected(name, *lines, cached, placement, selected);
    Commit commit;
    if (!removed.Empty())
        commit = CommitIndex(session, placement.Discards(), *lines, removed, report);
    EndWork(commit.written || removed.Empty() || commit.indexGone, placement, session, batch, lines, result.done);
    ListCache(game, result, progress);
    if (result.ending == Ending::Done)
        result.selected = FateOf(selected);
    return result;
}

CommandResult MoveAllCached(const OpenedGame& game, Decisions& decisions, const Progress& progress)
{
    CommandResult result;
    result.cacheFolder = game.Cache();
    FileSystemService& fso = game.Files();
    CommandReport& report = result.report;
    FileSystemBatch batch(fso);
    GameSession session(fso, game.Folders(), report, game.LockPatience());
    if (!session.Held()) {
        result.ending = session.NotHeld();
        return result;
    }
    std::optional<IndexLines> lines = ReadForMoveAll(game, result);
    if (!lines)
        return result;
    const Outcome<CachedFiles> matched = MatchCachedFiles(fso, game.Cache(), *lines);
    if (!matched) {
        report.AddProblem(Why::CacheUnreadable, "Cache directory", matched.Failure());
        return result;
    }

    // The files of the snapshot that lines name, each with the first line
    // naming it, taken in the order of the lines: questions then come in the
    // index's order, the earlier of two lines naming one map wins, and the
    // work on each folder stays together.
    const CachedFiles& cached = *matched;
    const std::vector<bool>& present = cached.present;
    const auto total = static_cast<std::size_t>(std::count(present.begin(), present.end(), true));
    std::vector<bool> placed(lines->size(), false);
    Placement placement(session, *lines, decisions, report, /*forceOverwrite=*/false, total);
    for (std::size_t k = 0, done = 0; k < lines->size(); ++k) {
        if (!present[k])
            continue;
        progress.Step(done++, total);
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
    EndWork(committed, placement, session, batch, lines, result.done);
    if (committed && !fileStays) {
        result.list.emplace();
        MeasureCache(game, false, result);
    } else {
        ListCache(game, result, progress);
    }
    return result;
}

CommandResult ClearCache(const OpenedGame& game, Decisions& decisions, const Progress& progress)
{
    CommandResult result;
    result.cacheFolder = game.Cache();
    if (!decisions.ConfirmClear(game.Cache())) {
        result.ending = Ending::NotConfirmed;
        return result;
    }
    FileSystemService& fso = game.Files();
    CommandReport& report = result.report;
    const FileSystemBatch batch(fso);
    GameSession session(fso, game.Folders(), report, game.LockPatience());
    if (!session.Held()) {
        result.ending = session.NotHeld();
        return result;
    }
    Outcome<void> cleared = session.Record({Intent::Clear()});
    // The index last, so that a cache left part-cleared still has it.
    if (cleared)
        cleared = fso.TryDeleteFile(game.Cache() + "\\*.*", true, "cache.ini",
                                    [&progress](std::size_t done, std::size_t total) { progress.Step(done, total); });
    // an empty cache is already clear
    if (!cleared && cleared.Failure().Kind() != FsErrorKind::NothingMatched)
        report.AddProblem(Why::NotCleared, "Clear Cache", cleared.Failure());
    // A cache left part-cleared keeps its index, without the files deleted.
    if (!report.Empty())
        session.RepairIndex(report);
    session.Close();
    if (report.Empty())
        EmptyCache(result);
    else {
        result.list.emplace();
        MeasureCache(game, fso.FileExists(IndexPath(game.Cache())), result);
    }
    return result;
}

} // namespace ovcache
