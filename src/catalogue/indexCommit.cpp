#include "catalogue/indexCommit.h"

#include "catalogue/entryNames.h"
#include "platform/codePage.h"

#include <algorithm>
#include <unordered_map>

namespace ovcache {

namespace {

void ReportUnreadIndex(CommandReport& report, const FileSystemError& failure)
{
    report.AddProblem(Why::IndexUnreadable, "cache.ini", failure);
}

} // namespace

std::optional<IndexLines> ReadIndex(FileSystemService& files, const GameFolders& game, CommandReport& report)
{
    Outcome<std::string> text = files.TryReadTextFile(IndexPath(game.cache));
    if (!text) {
        ReportUnreadIndex(report, text.Failure());
        return std::nullopt;
    }
    return IndexLines(std::move(*text));
}

bool ReadIndexEntries(FileSystemService& files, const GameFolders& game, CommandReport& report,
                      const std::function<void(const IndexEntry&)>& take)
{
    IndexEntryReader reader(take);
    const Outcome<void> read = files.TryReadText(IndexPath(game.cache), [&](std::string_view piece, std::uint64_t) {
        reader.Feed(piece);
        return true;
    });
    if (!read) {
        ReportUnreadIndex(report, read.Failure());
        return false;
    }
    reader.End();
    return true;
}

namespace {

// The index's new text: the index as it is now, without the command's
// removals (lines of read).
Outcome<std::string> NewIndexText(FileSystemService& fso, const std::string& index, const IndexLines& read,
                                  const Removals& removed)
{
    // Unchanged since it was read (as nearly always): the lines kept are
    // known by their places, and the index need not be held twice.
    const Outcome<bool> same = fso.TryTextFileIs(index, read.Text());
    if (!same)
        return same.Failure();
    if (*same) {
        std::size_t size = 0;
        for (std::size_t k = 0; k < read.size(); ++k)
            size += removed.Marked(k) ? 0 : read[k].Text().size() + 2;
        std::string text;
        text.reserve(size);
        for (std::size_t k = 0; k < read.size(); ++k) {
            if (!removed.Marked(k)) {
                text += read[k].Text();
                text += "\r\n";
            }
        }
        return text;
    }
    // Changed: each removed line goes once, found by its text.
    const Outcome<std::string> now = fso.TryReadTextFile(index);
    if (!now)
        return now.Failure();
    std::unordered_map<std::string_view, int> toRemove;
    for (std::size_t k = 0; k < read.size(); ++k)
        if (removed.Marked(k))
            ++toRemove[read[k].Text()];
    std::vector<std::string_view> kept = SplitIndexLines(*now);
    std::erase_if(kept, [&](std::string_view line) {
        const auto found = toRemove.find(line);
        return found != toRemove.end() && found->second-- > 0;
    });
    return JoinIndexLines(kept);
}

// After a failure: the index that is there decides whether the moves stand
// or go back, since the replace may have taken place before it failed.
Commit CommitFailed(FileSystemService& fso, const FileSystemError& e, bool replacing, const std::string& text,
                    const std::string& rewrite, const std::string& index, CommandReport& report)
{
    Commit ended;
    if (replacing) {
        const Outcome<bool> installed = fso.TryTextFileIs(index, text);
        if (installed && *installed) {
            report.AddNote({NoteKind::IndexInPlaceAnyway, e.Path(), e.Reason(), e.Kind()});
            return {true, false};
        }
        ended.indexGone = !installed && installed.Failure().Kind() == FsErrorKind::NotFound;
    }
    ended.indexGone = ended.indexGone || (e.Kind() == FsErrorKind::NotFound && e.Path() == index);
    if (ended.indexGone)
        report.AddNote({NoteKind::IndexRemovedMeanwhile, index});
    else
        report.AddNote({NoteKind::IndexNotUpdated, e.Path(), e.Reason(), e.Kind()});
    if (fso.PathExists(rewrite))
        (void)fso.TryDeleteOneFile(rewrite, true); // else the journal has it removed by the next command
    return ended;
}

} // namespace

Commit CommitIndex(GameSession& session, std::vector<Intent> intents, const IndexLines& read, const Removals& removed,
                   CommandReport& report)
{
    FileSystemService& fso = session.Files();
    const std::string rewrite = IndexRewritePath(session.Game().cache), index = IndexPath(session.Game().cache);
    Outcome<std::string> made = NewIndexText(fso, index, read, removed);
    if (!made)
        return CommitFailed(fso, made.Failure(), false, {}, rewrite, index, report);
    std::string text = std::move(*made);
    intents.push_back(Intent::Rewrite());
    Outcome<void> done = session.Record(intents);
    // The moves are on disk before the new index takes the old one's place;
    // writing it first lets one flush of the disk serve both.
    if (done)
        done = fso.TryWriteTextFile(rewrite, text, [&](const FileIdentity& made) {
            return session.Record(
                {Intent::Made({"Cache", "cache.bak"}, {made.volume, made.index, text.size(), made.written})});
        });
    if (done)
        done = fso.TryFlush();
    if (!done)
        return CommitFailed(fso, done.Failure(), false, text, rewrite, index, report);
    if (done = fso.TryReplaceFile(rewrite, index); !done)
        return CommitFailed(fso, done.Failure(), true, text, rewrite, index, report);
    return {true, false};
}

Outcome<CachedFiles> MatchCachedFiles(FileSystemService& files, const std::string& cache, const IndexLines& lines)
{
    // The keys' table is large and let go here, before any file is moved.
    IndexKeys keys(lines);
    CachedFiles matched{std::vector<bool>(lines.size(), false), std::vector<bool>(lines.size(), false),
                        keys.TakeFirsts()};
    std::string folded;
    const Outcome<void> listed = files.TryVisitFiles(cache, [&](std::string_view name, FileSystemService::Listed what) {
        // a folder of a cached file's name is there, to be named as what it is
        const bool plain = what == FileSystemService::Listed::Plain;
        folded.assign(name);
        FoldCaseInPlace(folded);
        if (const std::optional<std::string_view> key = KeyOfCachedFile(folded))
            if (const std::size_t line = keys.Find(*key); line != std::string_view::npos) {
                matched.plain[line] = plain && (!matched.present[line] || matched.plain[line]);
                matched.present[line] = true;
            }
    });
    if (!listed)
        return listed.Failure();
    return matched;
}

bool DropLinesOfGoneFiles(GameSession& session, CommandReport& report)
{
    FileSystemService& fso = session.Files();
    const GameFolders& game = session.Game();
    if (const Outcome<bool> there = fso.LookForFile(IndexPath(game.cache)); !there || !*there) {
        if (!there)
            report.AddProblem(Why::IndexUnreadable, "cache.ini", there.Failure());
        return static_cast<bool>(there); // no index names nothing
    }
    const std::optional<IndexLines> lines = ReadIndex(fso, game, report);
    if (!lines)
        return false;
    Removals removed(lines->size());
    {
        const Outcome<CachedFiles> cached = MatchCachedFiles(fso, game.cache, *lines);
        if (!cached) {
            report.AddProblem(Why::CacheUnreadable, "Cache directory", cached.Failure());
            return false; // then no line can be judged
        }
        for (std::size_t k = 0; k < lines->size(); ++k) {
            const IndexEntry& entry = (*lines)[k];
            if (entry.NamesAFile() && entry.KeySafe() && !cached->Present(k))
                removed.Mark(k);
        }
    }
    if (removed.Empty())
        return true;
    const Commit commit = CommitIndex(session, {}, *lines, removed, report);
    return commit.written || commit.indexGone;
}

} // namespace ovcache
