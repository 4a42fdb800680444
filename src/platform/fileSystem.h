#pragma once
// The file-system service the cache commands work through. Callers pass
// Windows-style path strings built by concatenation; the service alone turns
// them into native paths. Its operations answer with an Outcome, the result
// or the FileSystemError that stopped it, since a file that went or a folder
// refused is an everyday outcome.
#include <cstdint>
#include <functional>
#include <future>
#include <iterator>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

namespace ovcache {

enum class FsErrorKind {
    NotFound,       // a missing file or folder
    AlreadyExists,  // a move onto a file that is there
    NothingMatched, // a wildcard that matched no file
    AccessDenied,   // read-only without force, or no permission
    NotRegular,     // a link, a folder, a device or a pipe where a file was to be
    CrossVolume,    // a move between two volumes, which the caller copies instead
    Other,
};

class FileSystemError : public std::runtime_error {
public:
    FileSystemError(const std::string& operation, std::string path, FsErrorKind kind, std::string reason);

    const std::string& Path() const { return path_; }
    FsErrorKind Kind() const { return kind_; }
    // The system's own words for what went wrong.
    const std::string& Reason() const { return reason_; }

private:
    std::string path_;
    FsErrorKind kind_;
    std::string reason_;
};

// What an operation came to: its value, or the failure that stopped it.
template <class T> class [[nodiscard]] Outcome {
public:
    Outcome(T value) : result_(std::move(value)) {}
    Outcome(FileSystemError failure) : result_(std::move(failure)) {}
    explicit operator bool() const { return result_.index() == 0; }
    T& operator*() { return std::get<0>(result_); }
    const T& operator*() const { return std::get<0>(result_); }
    T* operator->() { return &std::get<0>(result_); }
    const T* operator->() const { return &std::get<0>(result_); }
    const FileSystemError& Failure() const { return std::get<1>(result_); }

private:
    std::variant<T, FileSystemError> result_;
};

template <> class [[nodiscard]] Outcome<void> {
public:
    Outcome() = default;
    Outcome(FileSystemError failure) : failure_(std::move(failure)) {}
    explicit operator bool() const { return !failure_; }
    const FileSystemError& Failure() const { return *failure_; }

private:
    std::optional<FileSystemError> failure_;
};

class FileSystemService;

// The largest text file the program reads: an index far beyond any cache.
inline constexpr std::uint64_t kMaxTextFile = 256u << 20;

// Where the last whole line of a file of that size ends: its size when it
// ends in a line feed (or is empty), else just after the last line feed (0
// when it has none). readAt reads up to count bytes at an offset and returns
// how many it read, 0 or less when it cannot; an unreadable file is taken
// as whole.
using ReadAtFn = std::function<std::int64_t(char* buffer, std::size_t count, std::uint64_t offset)>;
std::uint64_t WholeLinesEnd(std::uint64_t size, const ReadAtFn& readAt);

// Windows wildcards on one name: "*" any run, "?" one character.
bool WildcardMatches(std::string_view pattern, std::string_view name);

struct FolderMeasure {
    std::size_t files = 0;   // directly in the folder
    std::uint64_t bytes = 0; // in everything below it
};

// A snapshot of the files directly in a folder, taken when it was asked for.
// The folder's path is held once and the names one after another in one
// buffer; each item is made when asked for: the folder path, "\" and the name.
class FileCollection {
public:
    FileCollection() = default;
    explicit FileCollection(std::string folder) : folder_(std::move(folder)) {}
    void Add(std::string_view name)
    {
        names_.append(name);
        ends_.push_back(names_.size());
    }
    std::size_t Count() const { return ends_.size(); }
    // Lets the names go, memory included.
    void Clear()
    {
        std::string().swap(names_);
        std::vector<std::size_t>().swap(ends_);
    }
    std::string_view Name(std::size_t k) const
    {
        const std::size_t start = k == 0 ? 0 : ends_[k - 1];
        return std::string_view(names_).substr(start, ends_[k] - start);
    }
    std::string Path(std::size_t k) const
    {
        std::string path = folder_;
        path += '\\';
        path += Name(k);
        return path;
    }

    class Iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = std::string;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = std::string;
        Iterator(const FileCollection* files, std::size_t k) : files_(files), k_(k) {}
        std::string operator*() const { return files_->Path(k_); }
        Iterator& operator++() { return ++k_, *this; }
        Iterator operator++(int) { return {files_, k_++}; }
        bool operator==(const Iterator& other) const { return k_ == other.k_; }

    private:
        const FileCollection* files_;
        std::size_t k_;
    };
    Iterator begin() const { return {this, 0}; }
    Iterator end() const { return {this, Count()}; }

private:
    std::string folder_;
    std::string names_;
    std::vector<std::size_t> ends_;
};

// An exclusive lock on a file, held until it is destroyed; the system lets it
// go when the process ends however it ends.
// What tells one file from another whatever its name: its volume and its
// index there (POSIX: device and inode; Windows: volume serial and file
// index), with its size and last write time.
struct FileIdentity {
    std::uint64_t volume = 0, index = 0, size = 0;
    std::int64_t written = 0;
    bool operator==(const FileIdentity&) const = default;
    // The same file, though it may have been written since.
    bool SameFile(const FileIdentity& other) const { return volume == other.volume && index == other.index; }
};

class FileLock {
public:
    virtual ~FileLock() = default;
};

class FileSystemService {
public:
    virtual ~FileSystemService() = default;

    // Queries that answer no when the system cannot tell.
    // True for an ordinary file: not a directory, and not hidden or system.
    virtual bool FileExists(const std::string& path) = 0;
    virtual bool FolderExists(const std::string& path) = 0;
    virtual bool IsReadOnly(const std::string& path) = 0;
    // The identity of the regular file of that name, not through a link;
    // nothing when no regular file has it.
    virtual std::optional<FileIdentity> IdentityOf(const std::string& path) = 0;
    // Whether anything has this name: a file of any kind, a folder, a link
    // (not followed).
    virtual bool PathExists(const std::string& path) = 0;
    // FileExists where a decision rests on the answer: the failure when the
    // system could not tell (a folder refused, a disk that failed), or when
    // what has the name is no regular file (a folder, a pipe, a device),
    // rather than "no".
    virtual Outcome<bool> LookForFile(const std::string& path) { return FileExists(path); }

    // Every operation below answers with its result or the failure that
    // stopped it; none raises one.

    // The entries directly in folder, in the order the system gives them:
    // each told to take as it is read, with what the listing itself showed it
    // to be. Folders are there too, so that a folder with a file's name is
    // not taken for no file at all.
    enum class Listed : std::uint8_t { Plain, Other, Folder }; // Other: a link, a pipe or a device
    using NameSink = std::function<void(std::string_view name, Listed what)>;
    virtual Outcome<void> TryVisitFiles(const std::string& folder, const NameSink& take) = 0;
    Outcome<FileCollection> TryListFiles(const std::string& folder);
    // The Count of the folder's files and the Size of everything below it.
    virtual Outcome<FolderMeasure> TryMeasure(const std::string& folder) = 0;
    // A measure of a folder that is there, taken while the caller goes on;
    // Get waits for it.
    class PendingMeasure {
    public:
        explicit PendingMeasure(std::future<Outcome<FolderMeasure>> measuring) : measuring_(std::move(measuring)) {}
        explicit PendingMeasure(Outcome<FolderMeasure> measured);
        Outcome<FolderMeasure> Get() { return measuring_.get(); }

    private:
        std::future<Outcome<FolderMeasure>> measuring_;
    };
    // The folder is found now, on the caller's thread. A service that cannot
    // measure beside its other work measures at once.
    virtual PendingMeasure TryMeasureLater(const std::string& folder);

    // Deletes every file the specification matches; its last component may hold
    // the wildcards "*" and "?" ("*.*" matches every file), compared without
    // regard to case. Without force a read-only file is refused. Files that can
    // be deleted are, even when others cannot; the failure then names the
    // first one. A matching file named last (compared without regard to case)
    // is deleted after all the others, and only when they all could be.
    // progress, when given, hears of each file done of the matches.
    using ProgressFn = std::function<void(std::size_t done, std::size_t total)>;
    Outcome<void> TryDeleteFile(const std::string& spec, bool force = false, std::string_view last = {},
                                const ProgressFn& progress = {});
    // Deletes one file (not a folder); without force not a read-only one.
    virtual Outcome<void> TryDeleteOneFile(const std::string& path, bool force) = 0;
    // Deletes the entries directly in folder whose names match the pattern
    // (already folded), links themselves and never what they point to, by
    // their names as the folder holds them; folders are left alone. False
    // when nothing matched. The failure names the first one.
    virtual Outcome<bool> TryDeleteMatching(const std::string& folder, const std::string& pattern, bool force,
                                            std::string_view last, const ProgressFn& progress);
    // Moves a file, taking the destination's name, in one step. Never
    // replaces an existing destination; between volumes it fails with
    // CrossVolume and moves nothing. Only a regular file is moved: a link, a
    // device or a pipe is refused.
    virtual Outcome<void> TryRename(const std::string& from, const std::string& to) = 0;
    // TryRename of a file its folder's listing showed as a regular file a
    // moment before, which is not looked at again: the look would come a
    // moment before the move all the same, and is a third of the system's
    // work in moving a large cache.
    virtual Outcome<void> TryRenameListed(const std::string& from, const std::string& to)
    {
        return TryRename(from, to);
    }
    // A move with the name taken at the destination, or another volume, as
    // outcomes of their own.
    enum class Moved { Done, NameTaken, OtherVolume };
    Outcome<Moved> TryMoveFile(const std::string& from, const std::string& to, bool listedPlain = false);
    // Copies a regular file to a new name (never replacing one, never through
    // a link), with the source's last write time; the copy is on disk when it
    // returns, and a partial copy is removed again when it fails. created
    // hears of the new file as soon as it exists, before anything is written
    // into it (its size 0, its time the moment it was made); when it answers
    // with a failure, the copy is removed and fails with it.
    using CreatedFn = std::function<Outcome<void>(const FileIdentity&)>;
    virtual Outcome<void> TryCopyFile(const std::string& from, const std::string& to,
                                      const CreatedFn& created = {}) = 0;
    // Makes a folder inside one that is there (never through a link); a
    // folder already there is no failure, anything else of its name is.
    virtual Outcome<void> TryCreateFolder(const std::string& path) = 0;
    // Whether two regular files hold the same bytes.
    virtual Outcome<bool> TrySameContent(const std::string& a, const std::string& b) = 0;

    // Reads a regular file of at most kMaxTextFile bytes; anything else fails.
    // take hears of the file's bytes a piece at a time, with its size, and
    // may stop the reading early by returning false.
    using TextSink = std::function<bool(std::string_view piece, std::uint64_t size)>;
    virtual Outcome<void> TryReadText(const std::string& path, const TextSink& take) = 0;
    // The whole of such a file.
    Outcome<std::string> TryReadTextFile(const std::string& path);
    // Whether such a file holds exactly the text, read a piece at a time
    // rather than held beside it.
    Outcome<bool> TryTextFileIs(const std::string& path, std::string_view text);
    // Creates the file anew (one that is there, or a link of its name, is
    // removed first and never written through), writes the text and flushes
    // it to disk. created hears of the new file as TryCopyFile's does.
    virtual Outcome<void> TryWriteTextFile(const std::string& path, const std::string& text,
                                           const CreatedFn& created = {}) = 0;
    // Adds the text at the end of one of the program's own files (the
    // journal), created when missing, and flushes it to disk (unless not
    // flush: then it is in the system's hands, which a killed program's
    // writes are too). A torn last line (no line feed after it) is cut away
    // first. Only a regular file with no other name is written: never
    // through a link, never a pipe, never waiting.
    virtual Outcome<void> TryAppendTextFile(const std::string& path, const std::string& text, bool flush = true) = 0;
    // Reads one of the program's own files, as it appends them; anything but
    // a regular file with no other name fails with NotRegular.
    virtual Outcome<std::string> TryReadOwnFile(const std::string& path) = 0;
    // Puts from in the place of to in one atomic step, to included.
    virtual Outcome<void> TryReplaceFile(const std::string& from, const std::string& to) = 0;
    // Makes the moves and deletions made so far last through a crash, so that
    // an index written after them never speaks of a state the disk lost.
    virtual Outcome<void> TryFlush() = 0;

    // An exclusive lock on the file at path, which is created when missing
    // (one of the program's own files, opened as TryAppendTextFile opens
    // them). Null when another holder has it, in this process or another, on
    // either build.
    virtual Outcome<std::unique_ptr<FileLock>> TryLock(const std::string& path) = 0;

    // Within a batch the service may count on what it read of a folder once
    // and on its own record of the changes it made there since, rather than
    // look at the folder again before each operation. Beginning again inside
    // a batch looks again.
    virtual void BeginBatch() {}
    virtual void EndBatch() {}
};

// For the services: runs an operation written with raised failures and
// answers with its outcome, the one place such a failure becomes a value.
template <class F> auto Catching(F&& operation) -> Outcome<decltype(operation())>
{
    try {
        if constexpr (std::is_void_v<decltype(operation())>) {
            operation();
            return {};
        } else {
            return operation();
        }
    } catch (const FileSystemError& e) {
        return e;
    }
}

// The value of an outcome, or its failure raised: for operations written
// with raised failures, inside Catching.
template <class T> T Raise(Outcome<T>&& outcome)
{
    if (!outcome)
        throw outcome.Failure();
    if constexpr (!std::is_void_v<T>)
        return std::move(*outcome);
}

// One command's batch, ended however the command ends.
class FileSystemBatch {
public:
    explicit FileSystemBatch(FileSystemService& service) : service_(service) { service_.BeginBatch(); }
    ~FileSystemBatch() { End(); }
    FileSystemBatch(const FileSystemBatch&) = delete;
    FileSystemBatch& operator=(const FileSystemBatch&) = delete;
    // Ends it before the command does, letting go of what it knew.
    void End()
    {
        if (!ended_)
            service_.EndBatch();
        ended_ = true;
    }

private:
    FileSystemService& service_;
    bool ended_ = false;
};

// The service for this operating system.
std::unique_ptr<FileSystemService> CreateFileSystemService();

} // namespace ovcache
