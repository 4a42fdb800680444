#pragma once
// The cache index as commands read and change it: read once, its lines
// matched with the files in the cache folder, and the command's removals
// taken in place of the old index in one step, under the journal.
#include "catalogue/cacheIndex.h"
#include "catalogue/game.h"
#include "catalogue/journal.h"
#include "catalogue/results.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

namespace ovcache {

// The index's lines; nothing, and the report told, when it cannot be read.
std::optional<IndexLines> ReadIndex(FileSystemService& files, const GameFolders& game, CommandReport& report);
// Each line of the index as an entry, read a piece at a time and none kept;
// false, with the failure in the report, when it cannot be read (some
// entries may have been taken by then).
bool ReadIndexEntries(FileSystemService& files, const GameFolders& game, CommandReport& report,
                      const std::function<void(const IndexEntry&)>& take);

// The lines of an index a command takes out, by their places in it.
class Removals {
public:
    explicit Removals(std::size_t lines) : marked_(lines, false) {}
    void Mark(std::size_t line)
    {
        count_ += marked_[line] ? 0 : 1;
        marked_[line] = true;
    }
    bool Marked(std::size_t line) const { return marked_[line]; }
    bool Empty() const { return count_ == 0; }
    std::size_t Count() const { return count_; }

private:
    std::vector<bool> marked_;
    std::size_t count_ = 0;
};

// How a command's change of the index ended.
struct Commit {
    bool written = false;   // the new index is in place
    bool indexGone = false; // another program removed the index meanwhile
};

// Takes the new index in place of "cache.ini" in one step, through
// "cache.bak", so that the old index or the new one is there at every moment;
// the journal hears of it, and of intents, first. The command's removals
// (lines of read) are applied to the index as it is now, so that lines
// another program added meanwhile are kept.
Commit CommitIndex(GameSession& session, std::vector<Intent> intents, const IndexLines& read, const Removals& removed,
                   CommandReport& report);

// The index's lines matched with the files of the cache folder: a line
// names "<key>.uxx", compared as Windows compares names.
struct CachedFiles {
    // On the first line with each key: whether its file is in the folder,
    // and whether the folder listed it as a regular file (under every name
    // that folds to the key).
    std::vector<bool> present, plain;
    // Each line's first line with its key (itself for most lines).
    std::vector<std::uint32_t> first;
    bool Present(std::size_t line) const { return present[first[line]]; }
    bool Plain(std::size_t line) const { return plain[first[line]]; }
};
// The folder's names are matched as they are read, never held all at once.
Outcome<CachedFiles> MatchCachedFiles(FileSystemService& files, const std::string& cache, const IndexLines& lines);

// After an interrupted command: the index loses the lines whose cached files
// went to the game before the command could rewrite it, so that the list
// shows exactly the maps still cached. Lines of files still there, and lines
// naming no file, stay as they are. False, with the reason in the report,
// when the index could not be judged or rewritten.
bool DropLinesOfGoneFiles(GameSession& session, CommandReport& report);

} // namespace ovcache
