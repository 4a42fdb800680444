#include "catalogue/indexCommit.h"

#include "catalogue/entryNames.h"
#include "platform/codePage.h"

#include <algorithm>
#include <unordered_map>

namespace ovcache {

std::optional<IndexLines> ReadIndex(WorkingState& state, CommandReport& report)
{
    try {
        return IndexLines(state.files->ReadTextFile(IndexPath(state.game.cache)));
    } catch (const FileSystemError& e) {
        report.AddProblem("cache.ini", e.Path(), "The cache index could not be read: " + e.Reason());
        return std::nullopt;
    }
}

namespace {

// The index's new text: now, the index as it is, without the command's
// removals (lines of read, in its order).
std::string NewIndexText(std::string now, const IndexLines& read, const std::vector<std::string_view>& removed)
{
    std::vector<std::string_view> kept;
    // Unchanged since it was read (as nearly always): each removed line is
    // known by its place, and nothing need be looked up.
    if (now == read.Text()) {
        std::string().swap(now);
        kept.reserve(read.size() - std::min(read.size(), removed.size()));
        auto next = removed.begin();
        for (const IndexEntry& entry : read) {
            if (next != removed.end() && next->data() == entry.Text().data())
                ++next;
            else
                kept.push_back(entry.Text());
        }
        if (next == removed.end())
            return JoinIndexLines(kept);
        now = read.Text();
    }
    // Changed: each removed line goes once, found by its text.
    std::unordered_map<std::string_view, int> toRemove;
    for (const std::string_view line : removed)
        ++toRemove[line];
    kept = SplitIndexLines(now);
    std::erase_if(kept, [&](std::string_view line) {
        const auto found = toRemove.find(line);
        return found != toRemove.end() && found->second-- > 0;
    });
    return JoinIndexLines(kept);
}

// After a failure: the index that is there decides whether the moves stand
// or go back, since the replace may have taken place before it failed.
Commit CommitFailed(FileSystemService& fso, const FileSystemError& e, bool replacing, std::string text,
                    const std::string& rewrite, const std::string& index, CommandReport& report)
{
    const std::string reason = report.ReasonOf(e);
    Commit ended;
    try {
        if (replacing && fso.ReadTextFile(index) == text) {
            report.AddNote("The new cache index is in place, but the disk reported a failure (" + e.Path() + ": " +
                           reason + ").");
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
        report.AddNote("The cache index could not be updated (" + e.Path() + ": " + reason +
                       "), so the files this command moved were put back.");
    try {
        if (fso.PathExists(rewrite))
            fso.DeleteOneFile(rewrite, true);
    } catch (const FileSystemError&) {
        // the journal has it removed by the next command
    }
    return ended;
}

} // namespace

Commit CommitIndex(WorkingState& state, GameSession& session, std::vector<Intent> intents, const IndexLines& read,
                   const std::vector<std::string_view>& removed, CommandReport& report)
{
    FileSystemService& fso = *state.files;
    const std::string rewrite = IndexRewritePath(state.game.cache), index = IndexPath(state.game.cache);
    std::string text;
    bool replacing = false;
    try {
        text = NewIndexText(fso.ReadTextFile(index), read, removed);
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
        return CommitFailed(fso, e, replacing, std::move(text), rewrite, index, report);
    }
}

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
            const IndexEntry& entry = (*lines)[k];
            if (entry.NamesAFile() && entry.KeySafe() && !present[keys.FirstOf(k)])
                removed.push_back(entry.Text());
        }
    }
    if (!removed.empty())
        CommitIndex(state, session, {}, *lines, removed, report);
}

} // namespace ovcache
