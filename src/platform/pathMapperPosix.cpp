#include "platform/pathResolver.h"

#include "platform/codePage.h"

#include "platform/winePrefix.h"

#include <algorithm>
#include <cctype>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace ovcache {

namespace {

struct SplitPath {
    std::string root;               // native: "/" or the drive's dosdevices link
    std::vector<std::string> parts; // components, "." and ".." resolved
};

SplitPath Split(std::string_view path, const std::string& prefix)
{
    SplitPath split{"/", {}};
    if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]))) {
        const char drive = static_cast<char>(std::tolower(static_cast<unsigned char>(path[0])));
        // Outside any prefix only Z:, the root, is there, as Wine makes it.
        split.root =
            prefix.empty() ? (drive == 'z' ? "/" : "/dev/null/no-drive") : prefix + "/dosdevices/" + drive + ":";
        path.remove_prefix(2);
    }
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find_first_of("\\/", start);
        if (end == std::string_view::npos)
            end = path.size();
        const std::string_view part = path.substr(start, end - start);
        if (part == "..") {
            if (!split.parts.empty())
                split.parts.pop_back();
        } else if (!part.empty() && part != ".") {
            split.parts.emplace_back(part);
        }
        start = end + 1;
    }
    return split;
}

constexpr std::size_t kLongestPath = 4096; // PATH_MAX
// Misses in a folder answered each by a look through it before it is read.
constexpr unsigned kScansBeforeReading = 4;

// Where the last "\" or "/" is; a plain loop, as this runs for every file.
std::size_t LastSeparator(std::string_view path)
{
    for (std::size_t k = path.size(); k-- > 0;)
        if (path[k] == '\\' || path[k] == '/')
            return k;
    return std::string_view::npos;
}

std::string Join(const std::string& dir, const std::string& name)
{
    return dir.back() == '/' ? dir + name : dir + "/" + name;
}

} // namespace

std::string ToNativePath(std::string_view windowsPath)
{
    return PathResolver().Resolve(windowsPath);
}

PathResolver::PathResolver() : prefix_(WinePrefix().string()) {}

void PathResolver::Descriptor::Reset(int fd)
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = fd;
}

PathResolver::Listing* PathResolver::ListingOf(const std::string& nativeDir)
{
    auto [it, added] = listings_.try_emplace(nativeDir);
    if (added)
        it->second.path = nativeDir;
    return Checked(it->second);
}

PathResolver::Listing* PathResolver::Checked(Listing& listing)
{
    if (batch_ != 0 && listing.checked == batch_)
        return listing.there ? &listing : nullptr;
    listing.checked = batch_;
    struct stat st {};
    if (::stat(listing.path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        listing.there = false;
        listing.read = false;
        listing.names.Clear();
        listing.folder.Reset(-1);
        return nullptr;
    }
    if (!listing.there || st.st_dev != listing.device || st.st_ino != listing.inode)
        Reopen(listing, st);
    // The program's own changes are in the names already; a new time that
    // they explain needs no second reading.
    else if (listing.read && !listing.ours &&
             (listing.mtime.tv_sec != st.st_mtim.tv_sec || listing.mtime.tv_nsec != st.st_mtim.tv_nsec)) {
        listing.read = false;
        listing.names.Clear();
    }
    listing.mtime = st.st_mtim;
    listing.ours = false;
    return &listing;
}

void PathResolver::Reopen(Listing& listing, const struct stat& st)
{
    listing.there = true;
    listing.device = st.st_dev;
    listing.inode = st.st_ino;
    listing.read = false;
    listing.misses = 0;
    listing.names.Clear();
    listing.folder.Reset(::open(listing.path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat opened {};
    if (listing.folder.Get() >= 0 &&
        (::fstat(listing.folder.Get(), &opened) != 0 || opened.st_dev != st.st_dev || opened.st_ino != st.st_ino))
        listing.folder.Reset(-1); // replaced meanwhile: work through the path
}

DIR* PathResolver::OpenToRead(const Listing& listing)
{
    // A description of its own, so that reading moves no shared offset.
    const int reading = listing.folder.Get() >= 0
                            ? ::openat(listing.folder.Get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                            : ::open(listing.path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (reading < 0)
        return nullptr;
    DIR* dir = ::fdopendir(reading);
    if (!dir)
        ::close(reading);
    return dir;
}

void PathResolver::ReadNames(Listing& listing)
{
    listing.read = true;
    listing.names.Clear();
    DIR* dir = OpenToRead(listing);
    if (!dir)
        return;
    struct stat st {};
    if (::fstat(::dirfd(dir), &st) == 0)
        listing.mtime = st.st_mtim;
    listing.ours = false;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        listing.names.Add(name);
    }
    ::closedir(dir);
}

std::string PathResolver::Scan(const Listing& listing, std::string exact)
{
    const std::string query = FoldCase(exact);
    const bool ascii = IsAscii(query);
    DIR* dir = OpenToRead(listing);
    if (!dir)
        return exact;
    std::string buffer;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        // an ASCII name folds only to an ASCII name of its own length
        if ((!ascii || name.size() == query.size()) && FoldName(name, buffer) == query) {
            exact.assign(name);
            break;
        }
    }
    ::closedir(dir);
    return exact;
}

std::string PathResolver::Lookup(Listing* listing, std::string_view name, NameCheck check, bool* guessed)
{
    std::string exact(name);
    if (!listing)
        return exact;
    if (!listing->read) {
        if (check == NameCheck::Guess) {
            *guessed = true;
            return exact;
        }
        // Found as it is, it needs no reading of the folder.
        struct stat st {};
        const Located place = At(listing, exact);
        if (::fstatat(place.dirFd, place.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
            return exact;
        // A few misses are each answered by a look through the folder (the
        // cache folder of 200,000 files is missed in for its new index and
        // little else); a folder missed in more often is read and kept, as
        // more misses will follow.
        if (listing->misses < kScansBeforeReading) {
            ++listing->misses;
            return Scan(*listing, std::move(exact));
        }
        ReadNames(*listing);
    }
    thread_local std::string folded;
    folded.assign(name);
    FoldCaseInPlace(folded);
    const std::optional<std::string_view> found = listing->names.Find(exact, folded);
    return found ? std::string(*found) : exact;
}

PathResolver::Located PathResolver::At(Listing* listing, std::string name)
{
    if (!listing)
        return {AT_FDCWD, std::move(name), nullptr};
    if (listing->folder.Get() < 0)
        return {AT_FDCWD, Join(listing->path, name), listing};
    return {listing->folder.Get(), std::move(name), listing};
}

std::string PathResolver::PathOf(const Located& place)
{
    return place.dirFd == AT_FDCWD || !place.folder ? place.name : Join(place.folder->path, place.name);
}

std::string PathResolver::Resolve(std::string_view windowsPath)
{
    return PathOf(Locate(windowsPath));
}

PathResolver::Located PathResolver::Locate(std::string_view windowsPath, NameCheck check)
{
    // Most paths name a file in a folder met before: that folder comes from
    // memory, checked by the one look at it that the listing needs anyway.
    const std::size_t cut = LastSeparator(windowsPath);
    if (cut != std::string_view::npos) {
        const std::string_view name = windowsPath.substr(cut + 1);
        if (!name.empty() && name != "." && name != "..") {
            const auto known = folders_.find(windowsPath.substr(0, cut));
            if (known != folders_.end()) {
                if (Listing* listing = Checked(*known->second)) {
                    bool guessed = false;
                    Located place = At(listing, Lookup(listing, name, check, &guessed));
                    place.guessed = guessed;
                    return place;
                }
                folders_.erase(known);
            }
        }
    }
    return LocateWhole(windowsPath, check);
}

PathResolver::Located PathResolver::LocateWhole(std::string_view windowsPath, NameCheck check)
{
    const SplitPath split = Split(windowsPath, prefix_);
    if (split.parts.empty())
        return {AT_FDCWD, split.root, nullptr};

    std::string folder = split.root;
    Listing* listing = ListingOf(folder);
    for (std::size_t k = 0; k + 1 < split.parts.size(); ++k) {
        const std::string name = Lookup(listing, split.parts[k]);
        if (folder.back() != '/')
            folder += '/';
        folder += name;
        // Below a missing folder nothing can be found, nor below a path
        // longer than the system opens: the rest is joined as it is, so that
        // any path costs time in proportion to its length.
        listing = listing && folder.size() < kLongestPath ? ListingOf(folder) : nullptr;
    }
    const std::size_t cut = LastSeparator(windowsPath);
    if (listing && cut != std::string_view::npos)
        folders_[std::string(windowsPath.substr(0, cut))] = listing;
    bool guessed = false;
    std::string name = Lookup(listing, split.parts.back(), check, &guessed);
    Located place = listing ? At(listing, std::move(name)) : Located{AT_FDCWD, Join(folder, name), nullptr};
    place.guessed = guessed;
    return place;
}

std::string_view PathResolver::NameOf(const Located& place)
{
    const std::string_view name = place.name;
    return place.dirFd == AT_FDCWD ? name.substr(name.find_last_of('/') + 1) : name;
}

// Marks the place's folder changed by the program; returns its names when
// they were read, to be kept up to date.
FoldedNames* PathResolver::ChangedNames(const Located& place)
{
    Listing* listing = place.folder;
    if (!listing)
        return nullptr;
    listing->changed = true;
    if (!listing->read)
        return nullptr;
    listing->ours = true;
    return &listing->names;
}

void PathResolver::Added(const Located& place)
{
    if (FoldedNames* names = ChangedNames(place))
        names->Add(NameOf(place));
}

void PathResolver::Removed(const Located& place)
{
    if (FoldedNames* names = ChangedNames(place))
        names->Remove(NameOf(place));
}

void PathResolver::EndBatch()
{
    batch_ = 0;
    for (auto& [path, listing] : listings_) {
        listing.read = false;
        listing.misses = 0;
        listing.names.Clear();
    }
}

void PathResolver::SyncChanged()
{
    for (auto& [path, listing] : listings_) {
        if (!listing.changed)
            continue;
        listing.changed = false;
        if (listing.folder.Get() >= 0) {
            ::fsync(listing.folder.Get());
        } else if (const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); fd >= 0) {
            ::fsync(fd);
            ::close(fd);
        }
    }
}

} // namespace ovcache
