#pragma once
// What a command did, as values: what moved where, what stayed and why, the
// cache's figures and list afterwards, and how it ended. The commands say no
// sentence of their own; each front end words these.
#include "catalogue/destinations.h"
#include "catalogue/listOrder.h"
#include "platform/fileSystem.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ovcache {

// Why a file stayed where it was, or a piece of work was not done.
enum class Why : std::uint8_t {
    Failed,            // the system refused it: its error and message say why
    NameTaken,         // a file of that name is already where it was to go
    NoFolder,          // the folder it was to go into does not exist
    FolderNotMade,     // that folder could not be made in the VirtualStore copy
    KeptBesideMap,     // a map of its name is there, and such maps stay in the cache
    CachedFileMissing, // its cached file is missing, so the map in Maps was kept
    MapReadOnly,       // the map in Maps is read-only and was kept
    MapNotPlain,       // what is in Maps under its name is not a plain file, and was kept
    AsideKept,         // the map that was in Maps stays under the name at path
    NotPutBack,        // a moved file could not go back into the cache; it is at path
    AsideNotPutBack,   // the map that was in Maps could not be put back; it is at path
    NotDeleted,        // a file to be deleted at the end could not be
    IndexUnreadable,   // the cache index could not be read
    CacheUnreadable,   // the cache folder could not be read
    CacheUnmeasured,   // the cache folder could not be measured
    NotCleared,        // Clear Cache's delete failed
    NotLocked,         // the game could not be locked, so nothing was changed
    JournalNotOurs,    // the journal's name is taken by something else: nothing was changed
    JournalUnreadable, // the journal could not be read
    NotSettled,        // left by an interrupted command, and could not be put in order
};

struct Problem {
    Why why;
    std::string entry;        // the entry's name, or the file or thing concerned
    std::string path;         // the file: for a move its source, else the path concerned
    std::string into = {};    // the folder a move was going to; "" for other work
    std::string message = {}; // the system's words, when it refused
    FsErrorKind error = FsErrorKind::Other;
};

// Something a command says of the whole, beside what stayed.
enum class NoteKind : std::uint8_t {
    NoIndexNothingMoved,   // the cache holds files but not its index (path)
    IndexNotDeleted,       // the index could not go, so the moves went back
    IndexInPlaceAnyway,    // the new index is in place, though the disk reported a failure
    IndexRemovedMeanwhile, // another program removed the index, so the moves stand
    IndexNotUpdated,       // the index could not be changed, so the moves went back
    StrangersLeft,         // files the journal names that are not the ones it recorded (count, the first few in files)
};

struct Note {
    NoteKind kind;
    std::string path = {};
    std::string message = {};
    FsErrorKind error = FsErrorKind::Other;
    std::size_t count = 0;
    std::vector<std::string> files = {};
};

// What stayed and why, gathered as a command works.
class CommandReport {
public:
    void Add(Problem problem);
    void AddProblem(Why why, std::string entry, std::string path);
    // A failure of the system about entry, at the failure's path.
    void AddProblem(Why why, std::string entry, const FileSystemError& e);
    void AddNote(Note note);
    void CountUnsafe() { ++unsafe_; }

    bool Empty() const { return problems_.empty() && notes_.empty() && unsafe_ == 0; }
    const std::vector<Problem>& Problems() const { return problems_; }
    const std::vector<Note>& Notes() const { return notes_; }
    int Unsafe() const { return unsafe_; }
    // Windows refused this program the game's folders somewhere: running as
    // administrator is the way out.
    bool Denied() const { return denied_; }

private:
    void Judge(FsErrorKind kind) { denied_ = denied_ || kind == FsErrorKind::AccessDenied; }
    std::vector<Problem> problems_;
    std::vector<Note> notes_;
    int unsafe_ = 0;
    bool denied_ = false;
};

enum class Ending : std::uint8_t {
    Done,            // done; the report names whatever stayed
    NothingSelected, // Move was given no map
    NotConfirmed,    // Clear Cache was not confirmed
    Busy,            // another copy of the program held the game: nothing was done
    Refused,         // the game could not be locked for this program: nothing was done
    IndexMissing,    // the cache holds files but no index: the program cannot go on
};

// The files a command is done with for good, kept end to end: a Move All can
// be done with 200,000.
class DoneFiles {
public:
    struct Item {
        std::string_view name;   // the entry's name, in UTF-8
        std::string_view folder; // "Maps", "System", "Music" or "Sounds"; "" when its cached file was discarded
        bool replaced = false;   // it took the place of a map of its name
    };
    // kind Other: the cached file was discarded.
    void Add(std::string_view name, EntryKind kind, bool replaced);
    std::size_t size() const { return what_.size(); }
    bool empty() const { return what_.empty(); }
    Item operator[](std::size_t k) const;
    std::size_t Count(bool moved) const;

private:
    ListRows names_;
    std::vector<std::uint8_t> what_; // the kind, and 8 for replaced
};

// What became of the map Move was given.
enum class SelectedFate : std::uint8_t {
    Handled,      // moved, discarded, or left with its reason in the report
    Gone,         // its cached file had already gone; its entry was removed
    NamesNothing, // its line names no cached file
};

struct CacheFigures {
    std::size_t files = 0;   // directly in the cache folder, not counting the index
    std::uint64_t bytes = 0; // everything below it
    bool emptied = false;    // shown as an emptied cache: "0" files, "0 Megabytes"
};

struct CommandResult {
    Ending ending = Ending::Done;
    std::string cacheFolder;
    DoneFiles done;
    CommandReport report;
    SelectedFate selected = SelectedFate::Handled;
    // The list's rows when the command listed the cache again; empty rows when
    // it emptied the list.
    std::optional<ListRows> list;
    // The cache's figures when the command measured it, or knows it empty.
    std::optional<CacheFigures> figures;
    // The start found a journal left by an interrupted command.
    bool repaired = false;
};

// The questions a command asks, at the points it asks them.
class Decisions {
public:
    // A cached map whose name a map in gameFolder's Maps has.
    virtual ExistingMap MapExists(const std::string& gameFolder, std::string_view name) = 0;
    // Whether every file under the cache folder is to be deleted.
    virtual bool ConfirmClear(const std::string& cacheFolder) = 0;

protected:
    ~Decisions() = default;
};

// How far a command is, told as it goes.
struct Progress {
    // done of total files
    std::function<void(std::size_t done, std::size_t total)> step;
    // The list's rows and the cache's folder, as soon as they are made: the
    // cache is still being measured, and a window can show them meanwhile.
    std::function<void(const ListRows& rows, const std::string& cacheFolder)> listed;

    void Step(std::size_t done, std::size_t total) const
    {
        if (step)
            step(done, total);
    }
};

} // namespace ovcache
