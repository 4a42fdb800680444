// The file-system service on a Unix-like system, resolving Windows paths as
// Wine does.
#include "platform/codePage.h"
#include "platform/fileSystem.h"
#include "platform/pathResolver.h"
#include "platform/translatable.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <limits>
#include <mutex>
#include <optional>
#include <string_view>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace ovcache {
namespace {

namespace fs = std::filesystem;

FsErrorKind KindOf(int err)
{
    switch (err) {
    case ENOENT:
    case ENOTDIR:
        return FsErrorKind::NotFound;
    case EEXIST:
        return FsErrorKind::AlreadyExists;
    case EACCES:
    case EPERM:
    case EROFS:
        return FsErrorKind::AccessDenied;
    default:
        return FsErrorKind::Other;
    }
}

FileSystemError ErrorOf(const char* operation, const std::string& path, int err)
{
    return {operation, path, KindOf(err), std::strerror(err)};
}

[[noreturn]] void Fail(const char* operation, const std::string& path, int err)
{
    throw ErrorOf(operation, path, err);
}

std::string DirectoryOf(const std::string& nativeFile)
{
    const std::size_t cut = nativeFile.find_last_of('/');
    return cut == std::string::npos ? "." : cut == 0 ? "/" : nativeFile.substr(0, cut);
}

void SyncDirectory(const std::string& dir)
{
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

void WriteAll(int fd, const char* data, std::size_t size, const std::string& path, const char* op)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            ::close(fd);
            Fail(op, path, err);
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

// Writes the text, and (flush) makes it last through a crash; the file is
// closed when that fails.
void Append(int fd, const std::string& text, bool flush, const std::string& path)
{
    WriteAll(fd, text.data(), text.size(), path, "Write");
    if (flush && ::fsync(fd) != 0) {
        const int err = errno;
        ::close(fd);
        Fail("Write", path, err);
    }
}

// Writes the text, makes it last through a crash, and closes the file.
void WriteToDisk(int fd, const std::string& text, const std::string& path)
{
    Append(fd, text, /*flush=*/true, path);
    if (::close(fd) != 0)
        Fail("Write", path, errno);
}

// What a file that is not a regular one is, for the player to find it.
const char* KindOf(mode_t mode)
{
    return S_ISDIR(mode)                    ? N_("Not a file but a folder")
           : S_ISLNK(mode)                  ? N_("Not a regular file but a link")
           : S_ISFIFO(mode)                 ? N_("Not a regular file but a pipe")
           : S_ISSOCK(mode)                 ? N_("Not a regular file but a socket")
           : S_ISCHR(mode) || S_ISBLK(mode) ? N_("Not a regular file but a device")
                                            : N_("Not a regular file (a link, a device or a pipe)");
}

[[noreturn]] void NotRegular(const char* operation, const std::string& path, mode_t mode = 0)
{
    throw FileSystemError(operation, path, FsErrorKind::NotRegular, KindOf(mode));
}

[[noreturn]] void NotOwn(const char* operation, const std::string& path)
{
    throw FileSystemError(operation, path, FsErrorKind::NotRegular,
                          N_("Not a file of this program's own: a link, a folder, a pipe, a device, or a file that has "
                             "other names too. Move it out of the game's folder and try again"));
}

// Opens a regular file to read: a link is not followed and a pipe or device
// never waited on. -1 with errno set, EINVAL for anything but a file.
int OpenRegular(int dirFd, const char* name, struct stat& st)
{
    const int fd = ::openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ELOOP)
            errno = EINVAL;
        return -1;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

// Reads up to size bytes, fewer only at the end of the file; -1 on an error.
ssize_t ReadFull(int fd, char* data, std::size_t size)
{
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, data + got, size - got);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        got += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(got);
}

struct ClosesFolder {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

// A file descriptor closed however the scope is left.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

private:
    int fd_;
};

class PosixFileSystem final : public FileSystemService {
    using Located = PathResolver::Located;

public:
    Outcome<void> TryFlush() override
    {
        return Catching([&] { resolver_.SyncChanged(); });
    }
    void BeginBatch() override { resolver_.BeginBatch(); }
    void EndBatch() override { resolver_.EndBatch(); }

    bool FileExists(const std::string& path) override
    {
        // A link is not an ordinary file, whatever it points to.
        const Located place = resolver_.Locate(path);
        struct stat st {};
        if (!StatOf(place, st, AT_SYMLINK_NOFOLLOW) || !S_ISREG(st.st_mode))
            return false;
        // Wine shows dot files as hidden; hidden files are not ordinary ones.
        return PathResolver::NameOf(place).rfind('.', 0) != 0;
    }

    Outcome<bool> LookForFile(const std::string& path) override
    {
        const Located place = resolver_.Locate(path);
        struct stat st {};
        if (!StatOf(place, st, AT_SYMLINK_NOFOLLOW))
            return errno == ENOENT || errno == ENOTDIR ? Outcome<bool>(false) : ErrorOf("Look", path, errno);
        if (PathResolver::NameOf(place).rfind('.', 0) == 0)
            return false; // hidden, as Wine shows dot files
        // something else with the name is said as what it is, not as nothing
        if (!S_ISREG(st.st_mode))
            return FileSystemError("Look", path, FsErrorKind::NotRegular, KindOf(st.st_mode));
        return true;
    }

    bool FolderExists(const std::string& path) override
    {
        struct stat st {};
        return StatOf(resolver_.Locate(path), st, 0) && S_ISDIR(st.st_mode);
    }

    bool IsReadOnly(const std::string& path) override
    {
        struct stat st {};
        return StatOf(resolver_.Locate(path), st, 0) && (st.st_mode & S_IWUSR) == 0;
    }

    Outcome<void> TryVisitFiles(const std::string& folder, const NameSink& take) override
    {
        return Catching([&] {
            DIR* dir = ::opendir(Native(folder).c_str());
            if (!dir)
                Fail("GetFolder", folder, errno);
            const std::unique_ptr<DIR, ClosesFolder> closing(dir);
            // Links and pipes are there too, for the commands to see and
            // leave alone.
            while (const dirent* entry = ::readdir(dir)) {
                bool isFolder = entry->d_type == DT_DIR, plain = entry->d_type == DT_REG;
                if (entry->d_type == DT_UNKNOWN) {
                    struct stat st {};
                    isFolder =
                        ::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || S_ISDIR(st.st_mode);
                    plain = !isFolder && S_ISREG(st.st_mode);
                }
                const std::string_view name = entry->d_name;
                if (isFolder && (name == "." || name == ".."))
                    continue;
                take(name, isFolder ? Listed::Folder : plain ? Listed::Plain : Listed::Other);
            }
        });
    }

    Outcome<FolderMeasure> TryMeasure(const std::string& folder) override
    {
        return Catching([&] {
            const int fd = ::open(Native(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (fd < 0)
                Fail("Size", folder, errno);
            FolderMeasure measure;
            MeasureBelow(fd, measure, true);
            return measure;
        });
    }

    PendingMeasure TryMeasureLater(const std::string& folder) override
    {
        // Only the folder is found here; its threads use nothing but the
        // folder opened for them, so the service goes on meanwhile.
        const int fd = ::open(Native(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return PendingMeasure(Outcome<FolderMeasure>(ErrorOf("GetFolder", folder, errno)));
        return PendingMeasure(std::async(std::launch::async, [fd] {
            // The measure gives way to the work beside it (the list, which
            // the player waits to see); its helpers take this too.
            ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 10);
            return Catching([&] {
                FolderMeasure measure;
                MeasureBelow(fd, measure, true);
                return measure;
            });
        }));
    }

    Outcome<void> TryDeleteOneFile(const std::string& path, bool force) override
    {
        return Catching([&] {
            struct stat st {};
            Located place;
            if (const int err = Existing(
                    path, place, [&](const Located& at) { return StatOf(at, st, AT_SYMLINK_NOFOLLOW) ? 0 : errno; }))
                Fail("DeleteFile", path, err);
            if (S_ISDIR(st.st_mode))
                throw FileSystemError("DeleteFile", path, FsErrorKind::NotFound, N_("File not found"));
            if (!force && (st.st_mode & S_IWUSR) == 0)
                throw FileSystemError("DeleteFile", path, FsErrorKind::AccessDenied,
                                      "Permission denied (the file is read-only)");
            if (::unlinkat(place.dirFd, place.name.c_str(), 0) != 0)
                Fail("DeleteFile", path, errno);
            resolver_.Removed(place);
        });
    }

    Outcome<bool> TryDeleteMatching(const std::string& folder, const std::string& pattern, bool force,
                                    std::string_view last, const ProgressFn& progress) override
    {
        return Catching([&] {
            // Each entry by its own name within the open folder: a name that
            // holds "\" or ".." is one file here, never a path elsewhere.
            const int fd = ::open(Native(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (fd < 0)
                Fail("DeleteFile", folder, errno);
            DIR* dir = ::fdopendir(fd);
            if (!dir) {
                ::close(fd);
                Fail("DeleteFile", folder, errno);
            }
            const std::string lastFolded = FoldCase(last);
            // The names one after another in one buffer, each after a byte of its
            // type as the listing gives it and ended by a NUL; those named last
            // (in any case: there may be several) after the others. Folders stay.
            std::string names, atEnd, buffer;
            std::vector<std::size_t> starts, atEndStarts;
            while (const dirent* entry = ::readdir(dir)) {
                const std::string_view name = entry->d_name;
                if (name == "." || name == ".." || entry->d_type == DT_DIR)
                    continue;
                const std::string_view folded = FoldName(name, buffer);
                if (!WildcardMatches(pattern, folded))
                    continue;
                const bool isLast = !last.empty() && folded == lastFolded;
                std::string& into = isLast ? atEnd : names;
                (isLast ? atEndStarts : starts).push_back(into.size());
                into.push_back(static_cast<char>(entry->d_type));
                into.append(name).push_back('\0');
            }
            const std::size_t lastFrom = starts.size();
            for (const std::size_t at : atEndStarts)
                starts.push_back(names.size() + at);
            names += atEnd;
            std::optional<FileSystemError> first;
            bool matched = false;
            for (std::size_t k = 0; k < starts.size(); ++k) {
                if (progress)
                    progress(k, starts.size());
                if (first && k >= lastFrom)
                    break; // what is left keeps the files named last
                const auto type = static_cast<unsigned char>(names[starts[k]]);
                const char* name = names.c_str() + starts[k] + 1;
                // The file is looked at only where the listing does not say what
                // it is, or whether it is read-only matters: at 200,000 files that
                // look cost a third as much as the deleting.
                struct stat st {};
                if ((type == DT_UNKNOWN || (!force && type == DT_REG)) &&
                    (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0 || S_ISDIR(st.st_mode)))
                    continue;
                int err = 0;
                if (!force && S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0)
                    err = EACCES;
                else if (::unlinkat(fd, name, 0) != 0)
                    err = errno;
                if (err == ENOENT || err == EISDIR)
                    continue; // gone meanwhile, or a folder now
                matched = true;
                if (err != 0 && !first)
                    first = FileSystemError("DeleteFile", folder + "\\" + name, KindOf(err), std::strerror(err));
            }
            ::closedir(dir);
            resolver_.Recheck();
            if (first)
                throw *first;
            return matched;
        });
    }

    Outcome<void> TryRename(const std::string& from, const std::string& to) override
    {
        return Catching([&] { Move(from, to, true); });
    }
    Outcome<void> TryRenameListed(const std::string& from, const std::string& to) override
    {
        return Catching([&] { Move(from, to, false); });
    }

    void Move(const std::string& from, const std::string& to, bool look)
    {
        const Located dst = resolver_.Locate(to);
        Located src;
        int err = Existing(from, src, [&](const Located& at) {
            // Only a regular file moves: a link would carry its target's
            // place into the game's folders.
            struct stat st {};
            if (look && StatOf(at, st, AT_SYMLINK_NOFOLLOW) && !S_ISREG(st.st_mode))
                return EINVAL;
            if (::syscall(SYS_renameat2, at.dirFd, at.name.c_str(), dst.dirFd, dst.name.c_str(),
                          1 /* RENAME_NOREPLACE */) == 0)
                return 0;
            if (errno != EINVAL && errno != ENOSYS)
                return errno;
            // The file system cannot refuse to replace in one step: a hard
            // link refuses an existing name, then the old name goes.
            if (::linkat(at.dirFd, at.name.c_str(), dst.dirFd, dst.name.c_str(), 0) != 0)
                return errno;
            ::unlinkat(at.dirFd, at.name.c_str(), 0);
            return 0;
        });
        if (err == EINVAL) {
            struct stat st {};
            if (StatOf(src, st, AT_SYMLINK_NOFOLLOW) && !S_ISREG(st.st_mode))
                NotRegular("MoveFile", from, st.st_mode);
        }
        if (err == EXDEV)
            throw FileSystemError("MoveFile", to, FsErrorKind::CrossVolume, "The destination is on another volume");
        if (err == EEXIST)
            throw FileSystemError("MoveFile", to, FsErrorKind::AlreadyExists, "File already exists");
        if (err == ENOENT) {
            struct stat st {};
            const bool sourceThere = StatOf(src, st, AT_SYMLINK_NOFOLLOW);
            throw FileSystemError("MoveFile", sourceThere ? to : from, FsErrorKind::NotFound,
                                  sourceThere ? N_("Path not found") : N_("File not found"));
        }
        if (err != 0)
            Fail("MoveFile", from, err);
        resolver_.Added(dst);
        resolver_.Removed(src);
    }

    std::optional<FileIdentity> IdentityOf(const std::string& path) override
    {
        struct stat st {};
        Located place;
        if (Existing(path, place, [&](const Located& at) { return StatOf(at, st, AT_SYMLINK_NOFOLLOW) ? 0 : errno; }) !=
                0 ||
            !S_ISREG(st.st_mode))
            return std::nullopt;
        return FileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
                            static_cast<std::uint64_t>(st.st_size),
                            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
    }

    Outcome<void> TryCopyFile(const std::string& from, const std::string& to, const CreatedFn& created) override
    {
        return Catching([&] {
            struct stat st {};
            int in = -1;
            Located src;
            if (const int err = Existing(from, src, [&](const Located& at) {
                    in = OpenRegular(at.dirFd, at.name.c_str(), st);
                    return in < 0 ? errno : 0;
                })) {
                if (err == EINVAL)
                    NotRegular("CopyFile", from);
                Fail("CopyFile", from, err);
            }
            const Located dst = resolver_.Locate(to);
            const int out = ::openat(dst.dirFd, dst.name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                     st.st_mode & 07777);
            if (out < 0) {
                const int err = errno;
                ::close(in);
                if (err == EEXIST)
                    throw FileSystemError("CopyFile", to, FsErrorKind::AlreadyExists, "File already exists");
                Fail("CopyFile", to, err);
            }
            resolver_.Added(dst);
            if (const Outcome<void> heard = Created(out, created, "CopyFile", to); !heard) {
                ::close(in);
                ::close(out);
                if (::unlinkat(dst.dirFd, dst.name.c_str(), 0) == 0)
                    resolver_.Removed(dst);
                throw heard.Failure();
            }
            std::vector<char> buffer(1 << 16);
            int err = 0;
            for (;;) {
                const ssize_t n = ReadFull(in, buffer.data(), buffer.size());
                if (n <= 0) {
                    err = n < 0 ? errno : 0;
                    break;
                }
                ssize_t done = 0;
                while (done < n && err == 0) {
                    const ssize_t w = ::write(out, buffer.data() + done, static_cast<std::size_t>(n - done));
                    if (w < 0 && errno != EINTR)
                        err = errno;
                    else if (w > 0)
                        done += w;
                }
                if (err)
                    break;
            }
            // the source's time, so that the copy is known as complete by it
            const struct timespec times[2] = {st.st_atim, st.st_mtim};
            if (err == 0 && ::futimens(out, times) != 0)
                err = errno;
            if (err == 0 && ::fsync(out) != 0)
                err = errno;
            ::close(in);
            if (::close(out) != 0 && err == 0)
                err = errno;
            if (err != 0) {
                if (::unlinkat(dst.dirFd, dst.name.c_str(), 0) == 0)
                    resolver_.Removed(dst);
                Fail("CopyFile", to, err);
            }
            // The copy's own flush carries its new name in the file system's
            // journal (ext4, XFS, Btrfs); a copy made to be renamed at once
            // needs no flush of its folder besides.
        });
    }

    Outcome<bool> TrySameContent(const std::string& a, const std::string& b) override
    {
        return Catching([&] {
            struct stat sa {
            }, sb{};
            Located pa, pb;
            int fa = -1, fb = -1;
            const int ea = Existing(a, pa, [&](const Located& at) {
                fa = OpenRegular(at.dirFd, at.name.c_str(), sa);
                return fa < 0 ? errno : 0;
            });
            if (ea != 0)
                Fail("Compare", a, ea);
            const int eb = Existing(b, pb, [&](const Located& at) {
                fb = OpenRegular(at.dirFd, at.name.c_str(), sb);
                return fb < 0 ? errno : 0;
            });
            if (eb != 0) {
                ::close(fa);
                Fail("Compare", b, eb);
            }
            bool same = sa.st_size == sb.st_size;
            std::vector<char> one(1 << 16), two(1 << 16);
            while (same) {
                const ssize_t n = ReadFull(fa, one.data(), one.size());
                const ssize_t m = ReadFull(fb, two.data(), two.size());
                if (n < 0 || m < 0) {
                    const int err = errno;
                    ::close(fa);
                    ::close(fb);
                    Fail("Compare", a, err);
                }
                same = n == m && std::memcmp(one.data(), two.data(), static_cast<std::size_t>(n)) == 0;
                if (n == 0)
                    break;
            }
            ::close(fa);
            ::close(fb);
            return same;
        });
    }

    bool PathExists(const std::string& path) override
    {
        struct stat st {};
        return StatOf(resolver_.Locate(path), st, AT_SYMLINK_NOFOLLOW);
    }

    Outcome<void> TryAppendTextFile(const std::string& path, const std::string& text, bool flush) override
    {
        return Catching([&] {
            // The file appended last is kept open for the next line: a Move
            // All between volumes writes two lines a file. It is used only
            // while it is still the one file of its name and ends where this
            // program's last line did (deleted, given a second name, or
            // written by another copy meanwhile, it is opened anew).
            if (appended_.fd >= 0 && appended_.path == path) {
                struct stat held {};
                if (::fstat(appended_.fd, &held) == 0 && S_ISREG(held.st_mode) && held.st_nlink == 1 &&
                    held.st_size == appended_.end) {
                    const int fd = std::exchange(appended_.fd, -1); // closed should the write fail
                    Append(fd, text, flush, path);
                    appended_.fd = fd;
                    appended_.end += static_cast<off_t>(text.size());
                    return;
                }
            }
            appended_.Close();
            const Located place = resolver_.Locate(path);
            struct stat st {};
            const int fd = OpenOwnFile(place, O_RDWR | O_APPEND, st, "Write", path);
            const bool created = st.st_size == 0;
            if (created)
                resolver_.Added(place);
            // A last line torn by a crash is cut away, so that the text begins
            // on a line of its own and no entry is lost to the fragment.
            const auto whole = static_cast<off_t>(WholeLinesEnd(
                static_cast<std::uint64_t>(st.st_size), [fd](char* buffer, std::size_t count, std::uint64_t at) {
                    return static_cast<std::int64_t>(::pread(fd, buffer, count, static_cast<off_t>(at)));
                }));
            if (whole < st.st_size && ::ftruncate(fd, whole) != 0) {
                const int err = errno;
                ::close(fd);
                Fail("Write", path, err);
            }
            Append(fd, text, flush, path);
            appended_.path = path;
            appended_.fd = fd;
            appended_.end = std::min<off_t>(whole, st.st_size) + static_cast<off_t>(text.size());
            // a new file's name lasts through a crash only with its folder
            if (created && place.folder)
                SyncDirectory(DirectoryOf(PathResolver::PathOf(place)));
        });
    }

    Outcome<std::unique_ptr<FileLock>> TryLock(const std::string& path) override
    {
        return Catching([&]() -> std::unique_ptr<FileLock> {
            struct stat st {};
            const int fd = OpenOwnFile(resolver_.Locate(path), O_RDWR | O_NONBLOCK, st, "Lock", path);
            // A lock of the open file, not of the process: a second open in this
            // process is refused too. Its first byte is the range Wine locks for
            // LockFileEx(0, 1) on the same file, so the Windows program under
            // Wine and this one keep each other out.
            struct flock range {};
            range.l_type = F_WRLCK;
            range.l_whence = SEEK_SET;
            range.l_start = 0;
            range.l_len = 1;
            if (::fcntl(fd, F_OFD_SETLK, &range) != 0) {
                const int err = errno;
                ::close(fd);
                if (err == EAGAIN || err == EACCES)
                    return nullptr;
                Fail("Lock", path, err);
            }
            struct Held final : FileLock {
                explicit Held(int fd) : fd(fd) {}
                ~Held() override { ::close(fd); }
                int fd;
            };
            return std::make_unique<Held>(fd);
        });
    }

    Outcome<std::string> TryReadOwnFile(const std::string& path) override
    {
        return Catching([&] {
            struct stat st {};
            const Located place = resolver_.Locate(path);
            const int fd = ::openat(place.dirFd, place.name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
            if (fd < 0 && errno == ELOOP)
                NotOwn("Open", path);
            if (fd < 0)
                Fail("Open", path, errno);
            if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1) {
                ::close(fd);
                NotOwn("Open", path);
            }
            std::string text;
            char buffer[1 << 16];
            for (;;) {
                const ssize_t n = ::read(fd, buffer, sizeof buffer);
                if (n < 0 && errno == EINTR)
                    continue;
                if (n <= 0 || text.size() + static_cast<std::size_t>(n) > kMaxTextFile) {
                    const int err = n < 0 ? errno : 0;
                    ::close(fd);
                    if (n == 0)
                        return text;
                    if (err != 0)
                        Fail("Read", path, err);
                    throw FileSystemError("Read", path, FsErrorKind::Other, "The file is too large");
                }
                text.append(buffer, static_cast<std::size_t>(n));
            }
        });
    }

    Outcome<void> TryReadText(const std::string& path, const TextSink& take) override
    {
        return Catching([&] {
            int fd = -1;
            Located place;
            // Not through a link, and never waiting on a pipe or a device.
            if (const int err = Existing(path, place, [&](const Located& at) {
                    fd = ::openat(at.dirFd, at.name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
                    return fd < 0 ? errno : 0;
                }))
                Fail("Open", path, err == ELOOP ? EINVAL : err);
            const Descriptor file(fd);
            struct stat st {};
            if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
                NotRegular("Open", path);
            if (static_cast<std::uint64_t>(st.st_size) > kMaxTextFile)
                throw FileSystemError("Open", path, FsErrorKind::Other, "The file is too large to be an index");
            char buffer[1 << 16];
            for (std::uint64_t total = 0;;) {
                const ssize_t n = ::read(fd, buffer, sizeof buffer);
                if (n == 0)
                    break;
                if (n < 0) {
                    if (errno == EINTR)
                        continue;
                    Fail("Read", path, errno);
                }
                total += static_cast<std::uint64_t>(n);
                if (total > kMaxTextFile)
                    throw FileSystemError("Read", path, FsErrorKind::Other, "The file is too large to be an index");
                if (!take(std::string_view(buffer, static_cast<std::size_t>(n)),
                          static_cast<std::uint64_t>(st.st_size)))
                    break;
            }
        });
    }

    Outcome<void> TryWriteTextFile(const std::string& path, const std::string& text, const CreatedFn& created) override
    {
        return Catching([&] {
            // Made anew: whatever has the name (a file, a link to a file
            // elsewhere, a second name of one of the game's files) goes first,
            // and the new file is created only if nothing has taken the name.
            const Located place = resolver_.Locate(path);
            if (::unlinkat(place.dirFd, place.name.c_str(), 0) == 0)
                resolver_.Removed(place);
            else if (errno != ENOENT)
                Fail("Write", path, errno);
            const int fd =
                ::openat(place.dirFd, place.name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
            if (fd < 0)
                Fail("Write", path, errno);
            resolver_.Added(place);
            if (const Outcome<void> heard = Created(fd, created, "Write", path); !heard) {
                ::close(fd);
                if (::unlinkat(place.dirFd, place.name.c_str(), 0) == 0)
                    resolver_.Removed(place);
                throw heard.Failure();
            }
            WriteToDisk(fd, text, path);
        });
    }

    Outcome<void> TryCreateFolder(const std::string& path) override
    {
        return Catching([&] {
            const Located place = resolver_.Locate(path);
            if (::mkdirat(place.dirFd, place.name.c_str(), 0755) == 0) {
                resolver_.Added(place);
                return;
            }
            const int error = errno;
            struct stat st {};
            if (error != EEXIST || !StatOf(place, st, AT_SYMLINK_NOFOLLOW) || !S_ISDIR(st.st_mode))
                Fail("CreateFolder", path, error);
        });
    }

    Outcome<void> TryReplaceFile(const std::string& from, const std::string& to) override
    {
        return Catching([&] {
            const Located dst = resolver_.Locate(to);
            const Located src = resolver_.Locate(from);
            if (::renameat(src.dirFd, src.name.c_str(), dst.dirFd, dst.name.c_str()) != 0)
                Fail("Replace", to, errno);
            resolver_.Added(dst);
            resolver_.Removed(src);
            resolver_.SyncChanged();
        });
    }

private:
    std::string Native(const std::string& windowsPath) { return resolver_.Resolve(windowsPath); }

    // Tells created of a file just made, empty: its identity and the time
    // it was made.
    static Outcome<void> Created(int fd, const CreatedFn& created, const char* operation, const std::string& path)
    {
        if (!created)
            return {};
        struct stat made {};
        if (::fstat(fd, &made) != 0)
            return ErrorOf(operation, path, errno);
        return created(
            FileIdentity{static_cast<std::uint64_t>(made.st_dev), static_cast<std::uint64_t>(made.st_ino), 0,
                         static_cast<std::int64_t>(made.st_mtim.tv_sec) * 1000000000 + made.st_mtim.tv_nsec});
    }

    // Works on a file that should be there, trying its name as given first
    // without reading its folder; only when that is missing is the name looked
    // for without regard to case, and the work done again if it was found.
    // Returns the work's error number, 0 when it succeeded.
    template <typename Work> int Existing(const std::string& path, Located& place, Work work)
    {
        place = resolver_.Locate(path, PathResolver::NameCheck::Guess);
        int err = work(place);
        if (err == ENOENT && place.guessed) {
            Located found = resolver_.Locate(path);
            if (found.name != place.name || found.dirFd != place.dirFd) {
                place = std::move(found);
                err = work(place);
            }
        }
        return err;
    }

    // One of the program's own files (the journal, the lock), created when
    // missing; never through a link, never waiting on a pipe, and only a
    // regular file with no other name, so that nothing is written through
    // it into a file of the player's.
    static int OpenOwnFile(const Located& place, int flags, struct stat& st, const char* operation,
                           const std::string& path)
    {
        const int fd =
            ::openat(place.dirFd, place.name.c_str(), flags | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
        if (fd < 0) {
            if (errno == ELOOP || errno == ENXIO || errno == EISDIR)
                NotOwn(operation, path);
            Fail(operation, path, errno);
        }
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1) {
            ::close(fd);
            NotOwn(operation, path);
        }
        return fd;
    }

    static bool StatOf(const Located& place, struct stat& st, int flags)
    {
        return ::fstatat(place.dirFd, place.name.c_str(), &st, flags) == 0;
    }

    // The regular files directly in an open folder (when top) and the bytes
    // in all of them below it; closes the folder. Links are not followed.
    static void MeasureBelow(int dirFd, FolderMeasure& measure, bool top)
    {
        DIR* dir = ::fdopendir(dirFd);
        if (!dir) {
            ::close(dirFd);
            return;
        }
        // Each file is looked at by itself, which is the slow part, on every
        // core: the threads take the folder's names a few hundred at a time
        // as they come, so that no list of 200,000 names is held.
        std::mutex reading;
        bool more = true;
        std::vector<std::string> folders;
        const auto part = [&](FolderMeasure& into, std::size_t chunks) {
            std::string names;
            for (; chunks > 0; --chunks) {
                names.clear();
                {
                    const std::lock_guard<std::mutex> lock(reading);
                    for (int k = 0; more && k < 256; ++k) {
                        const dirent* entry = ::readdir(dir);
                        more = entry != nullptr;
                        const char* name = more ? entry->d_name : ".";
                        if (name[0] != '.' || (name[1] != 0 && (name[1] != '.' || name[2] != 0)))
                            names.append(name).push_back('\0');
                    }
                }
                if (names.empty())
                    return;
                for (std::size_t at = 0; at < names.size(); at = names.find('\0', at) + 1) {
                    struct stat st {};
                    if (::fstatat(dirFd, names.c_str() + at, &st, AT_SYMLINK_NOFOLLOW) != 0)
                        continue; // gone meanwhile
                    if (S_ISREG(st.st_mode)) {
                        into.bytes += static_cast<std::uint64_t>(st.st_size);
                        into.files += top ? 1 : 0;
                    } else if (S_ISDIR(st.st_mode)) {
                        const std::lock_guard<std::mutex> lock(reading);
                        folders.emplace_back(names.c_str() + at);
                    }
                }
            }
        };
        // Helpers only for a folder of more than a few thousand entries.
        const std::size_t helpers = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 4) - 1;
        constexpr auto kAll = std::numeric_limits<std::size_t>::max();
        std::vector<FolderMeasure> parts(helpers + 1);
        part(parts[0], 16);
        std::vector<std::thread> threads;
        const bool spread = more; // read before any helper can change it
        for (std::size_t h = 1; h <= helpers && spread; ++h) {
            try {
                threads.emplace_back(part, std::ref(parts[h]), kAll);
            } catch (const std::system_error&) { // no thread to be had: the others do its share
                break;
            }
        }
        part(parts[0], kAll);
        for (std::thread& thread : threads)
            thread.join();
        for (const FolderMeasure& counted : parts) {
            measure.files += counted.files;
            measure.bytes += counted.bytes;
        }
        for (const std::string& name : folders) {
            const int sub = ::openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub >= 0)
                MeasureBelow(sub, measure, false);
        }
        ::closedir(dir);
    }

    PathResolver resolver_;
    struct Appended {
        std::string path;
        int fd = -1;
        off_t end = 0; // where the last line written ends
        void Close()
        {
            if (fd >= 0)
                ::close(fd);
            fd = -1;
        }
        ~Appended() { Close(); }
    } appended_;
};

} // namespace

std::unique_ptr<FileSystemService> CreateFileSystemService()
{
    return std::make_unique<PosixFileSystem>();
}

} // namespace ovcache
