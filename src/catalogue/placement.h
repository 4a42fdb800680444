#pragma once
// Carries out the moves of one command so that, until the command has put its
// index in order, every one of them can be undone; deletions wait until then.
#include "catalogue/cacheIndex.h"
#include "catalogue/destinations.h"
#include "catalogue/journal.h"
#include "catalogue/results.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ovcache {

class Placement {
public:
    // forceOverwrite: whether a read-only map in "Maps" may be replaced;
    // decisions: what becomes of a map whose name is taken; expected: how
    // many entries it will likely be given.
    Placement(GameSession& session, const IndexLines& lines, Decisions& decisions, CommandReport& report,
              bool forceOverwrite, std::size_t expected = 0);

    // Sends the cached file of an index line where its kind says, asking first
    // (the line must stay where it is until Undo or Finish)
    // when a map would replace one. True when the entry is done with (moved,
    // or to be discarded after a No) and its line leaves the index; false when
    // it stays in the cache, with the reason in the report. A line that names
    // no cached file (no "=", or an empty key) is left alone, unreported.
    // listedPlain: the cache's listing showed the file as a regular one.
    bool Place(EntryKind kind, std::size_t line, bool listedPlain);

    // Puts every file moved so far back where it was, newest first.
    void Undo();
    // Deletes the replaced maps and the discarded cached files; done hears of
    // every file the command is done with.
    void Finish(DoneFiles& done);
    // What Finish will discard, for the journal before the index changes.
    std::vector<Intent> Discards() const;

private:
    // One a file: the line it was placed by (which outlives the placement),
    // from which its paths are made again when they are needed, so a command
    // over 200,000 entries keeps no paths of its own.
    struct Step {
        enum : std::uint8_t { Moved, Replaced, Discarded } what;
        EntryKind kind;
        std::uint32_t aside; // into asides_, for Replaced
        std::uint32_t at;    // the line, in lines_
    };
    std::string_view Line(std::uint32_t at) const { return lines_[at].Text(); }
    static Spot Cached(std::string_view line);
    static Spot Placed(EntryKind kind, std::string_view line);

    bool Move(EntryKind kind, std::uint32_t at, const std::string& from, const std::string& to,
              bool listedPlain = false);
    // A move from the file from to the destination to that did not happen:
    // why, and the system's failure when it refused.
    void Problem(Why why, std::string_view entry, const std::string& from, const std::string& to,
                 const FileSystemError* e = nullptr);
    // A move that did not happen: the name taken, or the failure's.
    void Failed(std::string_view entry, const std::string& from, const std::string& to, const Outcome<bool>& moved);
    bool Replace(EntryKind kind, std::uint32_t at, const std::string& from, const std::string& to);
    // Asks whether the map is to take the place of the one of its name in
    // shownFolder's Maps: Yes places it (setting aside the one in its way,
    // when replace), No has its cached file discarded.
    bool AskThenPlace(EntryKind kind, std::uint32_t at, const std::string& shownFolder, bool replace);
    // Whether the kind's folder is there to move into; in a VirtualStore
    // copy it is made when the install folder has it, as Windows would.
    bool FolderReady(EntryKind kind);
    std::string FolderPath(EntryKind kind) const;

    GameSession& session_;
    const IndexLines& lines_;
    FileSystemService& files_;
    const GameFolders& game_;
    Decisions& decisions_;
    CommandReport& report_;
    bool force_;
    std::vector<Step> journal_;
    std::vector<std::string> asides_;
    std::array<int, 5> folderThere_{-1, -1, -1, -1, -1}; // by kind; asked once a command
};

} // namespace ovcache
