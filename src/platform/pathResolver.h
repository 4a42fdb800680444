#pragma once
// Windows paths resolved the way Wine resolves them inside the current
// prefix, on Unix-like systems only: the file-system service's path lookup.
#include "platform/foldedNames.h"
#include "platform/pathMapper.h"

#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unordered_map>

namespace ovcache {

// Resolves paths as ToNativePath does, remembering the names in each folder
// it has looked into, so that finding a name without regard to case does not
// read the folder again while it is unchanged. Changes the program makes
// itself are told to it; others show in the folder's modification time.
// Each folder it knows stays open, so that work on its files need not walk
// the whole path again.
class PathResolver {
    // Lets the tables be searched with a string_view, without a copy.
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>()(text); }
    };
    template <typename Value> using Table = std::unordered_map<std::string, Value, Hash, std::equal_to<>>;

    class Descriptor {
    public:
        Descriptor() = default;
        Descriptor(const Descriptor&) = delete;
        Descriptor& operator=(const Descriptor&) = delete;
        ~Descriptor() { Reset(-1); }
        int Get() const { return fd_; }
        void Reset(int fd);

    private:
        int fd_ = -1;
    };

    struct Listing {
        std::string path; // native
        Descriptor folder;
        bool there = false; // a folder was found at path when last looked at
        dev_t device{};     // which folder that was
        ino_t inode{};
        unsigned checked = 0; // the batch in which it was last compared with the disk
        bool changed = false; // changed by the program since the last SyncChanged
        // The names are read only when a name is not found as it is, since
        // most lookups find it so; then they are kept up to date.
        bool read = false;
        unsigned misses = 0; // names not found as they are since the folder was opened
        bool ours = false;   // changed by the program since mtime was read
        timespec mtime{};
        FoldedNames names;
    };

public:
    // Where a file is: its folder, open, and its native name there. When the
    // folder is missing or cannot be opened, dirFd is AT_FDCWD and name is the
    // whole native path; the system calls take (dirFd, name) either way.
    struct Located {
        int dirFd = AT_FDCWD;
        std::string name;
        Listing* folder = nullptr; // null when the folder is missing
        bool guessed = false;      // the last name was taken as given, unchecked
    };

    // How the last name is found while its folder's names are unread: looked
    // for as given on disk first, or taken as given unchecked, for operations
    // that fail cleanly on a missing file and then ask again with OnDisk.
    enum class NameCheck { OnDisk, Guess };

    // Inside the Wine prefix of the moment it is made.
    PathResolver();
    PathResolver(const PathResolver&) = delete;
    PathResolver& operator=(const PathResolver&) = delete;

    std::string Resolve(std::string_view windowsPath);
    Located Locate(std::string_view windowsPath, NameCheck check = NameCheck::OnDisk);
    static std::string PathOf(const Located& place);
    // The place's native name within its folder.
    static std::string_view NameOf(const Located& place);

    // The program's own changes, so that the folder need not be read again.
    void Added(const Located& place);
    void Removed(const Located& place);
    // Makes the changes told so far last through a crash: each folder they
    // touched is flushed to disk.
    void SyncChanged();

    // Within a batch each folder is compared with the disk once, then known
    // from the program's own changes until the batch ends. Nothing can be lost
    // by it: moves never replace and each file operation still meets the disk;
    // only a name another program adds meanwhile in another case is not seen.
    // Beginning again inside a batch compares every folder once more.
    void BeginBatch() { batch_ = ++batches_; }
    // Changes made without telling: inside a batch, every folder is compared
    // with the disk again.
    void Recheck()
    {
        if (batch_ != 0)
            batch_ = ++batches_;
    }
    // The names read are let go: between commands the program holds no
    // folder's names, however large.
    void EndBatch();

private:
    // The folder's names, read again when it changed; null when it is no folder.
    Listing* ListingOf(const std::string& nativeDir);
    Listing* Checked(Listing& listing);
    static void Reopen(Listing& listing, const struct stat& st);
    static DIR* OpenToRead(const Listing& listing);
    static void ReadNames(Listing& listing);
    FoldedNames* ChangedNames(const Located& place);
    static std::string Scan(const Listing& listing, std::string exact);
    std::string Lookup(Listing* listing, std::string_view name, NameCheck check = NameCheck::OnDisk,
                       bool* guessed = nullptr);
    static Located At(Listing* listing, std::string name);
    Located LocateWhole(std::string_view windowsPath, NameCheck check);

    std::string prefix_;
    unsigned batch_ = 0, batches_ = 0;
    Table<Listing> listings_; // never erased, so that a Located stays valid
    Table<Listing*> folders_; // Windows folder, as given -> its listing
};

} // namespace ovcache
