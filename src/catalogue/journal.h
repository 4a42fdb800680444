#pragma once
// One command at a time on a game, and what it is about to do written down
// before it does it. A lock keeps a second copy of the program out (the Linux
// and the Windows program alike); the journal lets the next command or start
// finish or undo exactly what an interrupted one left, and nothing else: a
// file the journal does not list is the player's and is never touched.
//
// Both live in the game's install folder, beside its Cache folder: clearing
// the cache never removes them, each game has its own, and the journal is on
// the volume of the files it speaks of.
#include "catalogue/game.h"
#include "catalogue/results.h"

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ovcache {

inline constexpr std::string_view kLockName = "OrvaneCacheImporter.lock";
inline constexpr std::string_view kJournalName = "OrvaneCacheImporter.journal";
// A map set aside for the one replacing it is "<map>.replaced" (or
// "<map>.replacedN") until the command has finished.
inline constexpr std::string_view kAsideMark = ".replaced";
// A file copied between volumes is "<name>.copying" (or "<name>.copyingN")
// beside its destination until it is complete.
inline constexpr std::string_view kCopyMark = ".copying";

// A file in one of the game's folders: "Cache", "Maps", "System", "Music" or
// "Sounds", and its name there.
struct Spot {
    std::string_view folder;
    std::string name;
};

// One thing a command is about to do, or has just made. Each file the repair
// may act on is named with its identity: the repair acts on a file only when
// the file now at that name is the very one recorded.
struct Intent {
    enum class What { SetAside, Copy, Rewrite, Discard, Clear, Made, Moving };
    What what;
    Spot from;        // SetAside: the map; Copy: the source; Discard: the cached file; Made: the file
    Spot to;          // SetAside: the name it is kept under; Copy: the destination
    std::string temp; // Copy: the temporary name beside the destination
    // SetAside: the map; Copy: the source; Discard: the cached file; Made: the
    // file as created, with the size it may grow to
    FileIdentity first{};
    FileIdentity second{}; // SetAside: the file that takes the map's place

    static Intent SetAside(std::string map, std::string aside, const FileIdentity& original,
                           const FileIdentity& replacement);
    static Intent Copy(Spot from, Spot to, std::string temp, const FileIdentity& source);
    // A copy's temporary file, or the index's rewrite "cache.bak", created
    // by this program a moment ago: its identity then (size 0, the time it
    // was made) with the size it may grow to.
    static Intent Made(Spot file, const FileIdentity& made);
    // The index's rewrite about to be made; until a Made line records it, a
    // "cache.bak" is taken for this program's only while it holds nothing.
    static Intent Rewrite();
    static Intent Discard(std::string_view key, const FileIdentity& cached);
    // Clear Cache at work: interrupted, the index may name deleted files.
    static Intent Clear();
    // A command about to move cached files: interrupted, the index may name
    // files that went to the game. The next start then drops those lines.
    static Intent Moving();
};

// The journal's text for intents, and the intents of a journal's text: lines
// that are torn, altered or not of this program are left out.
std::string JournalText(const std::vector<Intent>& intents);
// skipCopies: without the lines of copies (Copy, and Made but for the
// rewrite's), for a settle that knows every copy went through.
std::vector<Intent> ParseJournal(std::string_view text, bool skipCopies = false);

// Held for one command, or for the start-up's repair.
class GameSession {
public:
    // Takes the lock of the game in files, waiting up to patience for another
    // copy to finish; then settles what an earlier command left in the
    // journal. When the lock cannot be had Held() is false, and Busy() says
    // whether another copy has it; other reasons are in the report. For the
    // start-up's repair (startUp) a game folder this program may not write to
    // is no failure unless a journal waits there.
    GameSession(FileSystemService& files, const GameFolders& game, CommandReport& report,
                std::chrono::milliseconds patience, bool startUp = false);
    // Lets the lock go; the journal stays as a crash would leave it, unless
    // Close settled it.
    ~GameSession() = default;
    GameSession(const GameSession&) = delete;
    GameSession& operator=(const GameSession&) = delete;

    FileSystemService& Files() const { return files_; }
    const GameFolders& Game() const { return game_; }
    bool Held() const { return held_; }
    bool Busy() const { return busy_; }
    // The lock or the journal is not the program's own, or the system refused
    // the lock: the report says which.
    bool Refused() const { return refused_; }
    // How a command that could not have the game ends.
    Ending NotHeld() const { return busy_ ? Ending::Busy : Ending::Refused; }
    // Whether a journal was there when the lock was taken: an earlier
    // command was interrupted.
    bool Interrupted() const { return interrupted_; }
    // At the command's end: settles the journal once more (what the command
    // finished needs nothing), and removes it when nothing in it is left.
    void Close();
    // Drops the index's lines of files that have gone; until that is done,
    // the journal stays for the next start to try again.
    void RepairIndex(CommandReport& report);
    // Puts the intents on disk before the caller carries them out; a failure
    // means they are not to be carried out. Not flush: written, but left to
    // the system to put on disk, for the lines of each file in a command
    // whose first line was flushed (a kill loses none of them; a power cut
    // may leave a copy's temporary file, and loses no file).
    Outcome<void> Record(const std::vector<Intent>& intents, bool flush = true);
    // Moves a file in one step, or between volumes through a copy under a
    // temporary name, flushed and then renamed into place, that the journal
    // knows of first. Never replaces a file: false, and nothing moved, when
    // the destination's name is taken. listedPlain: the cache's listing
    // showed the file as a regular one (see MoveListedFile).
    Outcome<bool> Move(const Spot& from, const Spot& to, bool listedPlain = false);
    std::string PathOf(const Spot& spot) const;
    // The folder of spots in folder ("Cache", "Maps", ...).
    std::string FolderOf(std::string_view folder) const;
    // "<name><mark>", or "<name><mark>N" for the first N from 2 that nothing
    // in the spot's folder has.
    std::string FreeName(const Spot& spot, std::string_view mark) const;

private:
    // Carries out or undoes what the journal lists, then (repairIndex) drops
    // the index's lines of files that went, and only then removes the
    // journal, so that a kill meanwhile leaves it for the next start; true
    // when nothing of it is left to do.
    bool Settle(CommandReport* report, bool repairIndex, bool copiesDone = false);
    Outcome<bool> MoveAcross(const Spot& from, const Spot& to);
    void LockFailed(const FileSystemError& e, CommandReport& report, bool startUp);

    FileSystemService& files_;
    const GameFolders& game_;
    std::unique_ptr<FileLock> lock_;
    bool held_ = false;
    bool busy_ = false;
    bool refused_ = false;
    bool recorded_ = false;
    bool interrupted_ = false;
    bool foreign_ = false;  // the journal's name is taken by what is not ours
    bool indexDue_ = false; // the index may still name files an earlier command moved
    // A copy of this command, or of an earlier one, may have left something
    // for the settle: else its lines are not read at the end (a Move All of
    // 100,000 files between volumes writes 200,000).
    bool copiesOpen_ = false;
    std::string journal_;
    std::vector<std::pair<std::string_view, std::string_view>> across_; // folders found on two volumes
};

} // namespace ovcache
