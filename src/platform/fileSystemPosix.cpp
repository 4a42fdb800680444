// The file-system service on a Unix-like system, resolving Windows paths as
// Wine does.
#include "platform/codePage.h"
#include "platform/fileSystem.h"
#include "platform/pathMapper.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <set>
#include <string_view>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

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

[[noreturn]] void Fail(const char* operation, const std::string& path, int err)
{
    throw FileSystemError(operation, path, KindOf(err), std::strerror(err));
}

bool StatOf(const std::string& native, struct stat& st)
{
    return ::stat(native.c_str(), &st) == 0;
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

// Copies across volumes: the copy is complete and on disk before the source is
// removed, and a partial copy is removed again.
void CopyThenRemove(const std::string& from, const std::string& to, const std::string& shownFrom)
{
    const int in = ::open(from.c_str(), O_RDONLY);
    if (in < 0)
        Fail("MoveFile", shownFrom, errno);
    struct stat st {};
    ::fstat(in, &st);
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL, st.st_mode & 07777);
    if (out < 0) {
        const int err = errno;
        ::close(in);
        Fail("MoveFile", shownFrom, err);
    }
    char buffer[1 << 16];
    int err = 0;
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            err = errno;
            break;
        }
        ssize_t done = 0;
        while (done < n && err == 0) {
            const ssize_t w = ::write(out, buffer + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno != EINTR)
                err = errno;
            else if (w > 0)
                done += w;
        }
        if (err)
            break;
    }
    if (err == 0 && ::fsync(out) != 0)
        err = errno;
    ::close(in);
    if (::close(out) != 0 && err == 0)
        err = errno;
    if (err != 0) {
        ::unlink(to.c_str());
        Fail("MoveFile", shownFrom, err);
    }
    SyncDirectory(DirectoryOf(to));
    if (::unlink(from.c_str()) != 0) {
        err = errno;
        ::unlink(to.c_str()); // keep the one original rather than two copies
        Fail("MoveFile", shownFrom, err);
    }
}

class PosixFileSystem final : public FileSystemService {
public:
    void Flush() override
    {
        for (const std::string& dir : unsynced_)
            SyncDirectory(dir);
        unsynced_.clear();
    }

    bool FileExists(const std::string& path) override
    {
        const std::string native = Native(path);
        struct stat st {};
        if (!StatOf(native, st) || !S_ISREG(st.st_mode))
            return false;
        // Wine shows dot files as hidden; hidden files are not ordinary ones.
        return fs::path(native).filename().string().rfind('.', 0) != 0;
    }

    bool FolderExists(const std::string& path) override
    {
        struct stat st {};
        return StatOf(Native(path), st) && S_ISDIR(st.st_mode);
    }

    bool IsReadOnly(const std::string& path) override
    {
        struct stat st {};
        return StatOf(Native(path), st) && (st.st_mode & S_IWUSR) == 0;
    }

    std::vector<std::string> ListFiles(const std::string& folder) override
    {
        DIR* dir = ::opendir(Native(folder).c_str());
        if (!dir)
            Fail("GetFolder", folder, errno);
        std::vector<std::string> names;
        while (const dirent* entry = ::readdir(dir)) {
            bool regular = entry->d_type == DT_REG;
            if (entry->d_type == DT_UNKNOWN) {
                struct stat st {};
                regular = ::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode);
            }
            if (regular)
                names.emplace_back(entry->d_name);
        }
        ::closedir(dir);
        for (std::string& name : names) {
            std::string path = folder;
            path += '\\';
            path += Utf8ToCp1252(name);
            name = std::move(path);
        }
        return names;
    }

    std::uint64_t FolderSize(const std::string& folder) override
    {
        const int fd = ::open(Native(folder).c_str(), O_RDONLY | O_DIRECTORY);
        if (fd < 0)
            Fail("Size", folder, errno);
        return SizeBelow(fd);
    }

    void DeleteOneFile(const std::string& path, bool force) override
    {
        const std::string native = Native(path);
        struct stat st {};
        if (::lstat(native.c_str(), &st) != 0)
            Fail("DeleteFile", path, errno);
        if (S_ISDIR(st.st_mode))
            throw FileSystemError("DeleteFile", path, FsErrorKind::NotFound, "File not found");
        if (!force && (st.st_mode & S_IWUSR) == 0)
            throw FileSystemError("DeleteFile", path, FsErrorKind::AccessDenied,
                                  "Permission denied (the file is read-only)");
        if (::unlink(native.c_str()) != 0)
            Fail("DeleteFile", path, errno);
        Changed(native, false);
    }

    void MoveFile(const std::string& from, const std::string& to) override
    {
        const std::string src = Native(from);
        const std::string dst = Native(to);
        int err = 0;
        if (::syscall(SYS_renameat2, AT_FDCWD, src.c_str(), AT_FDCWD, dst.c_str(), 1 /* RENAME_NOREPLACE */) != 0) {
            err = errno;
            if (err == EINVAL || err == ENOSYS) {
                // The file system cannot refuse to replace in one step: a hard
                // link refuses an existing name, then the old name goes.
                err = ::link(src.c_str(), dst.c_str()) == 0 ? 0 : errno;
                if (err == 0)
                    ::unlink(src.c_str());
            }
            if (err == EXDEV) {
                CopyThenRemove(src, dst, from);
                err = 0;
            }
        }
        if (err == EEXIST)
            throw FileSystemError("MoveFile", to, FsErrorKind::AlreadyExists, "File already exists");
        if (err == ENOENT) {
            struct stat st {};
            const bool sourceThere = ::lstat(src.c_str(), &st) == 0;
            throw FileSystemError("MoveFile", sourceThere ? to : from, FsErrorKind::NotFound,
                                  sourceThere ? "Path not found" : "File not found");
        }
        if (err != 0)
            Fail("MoveFile", from, err);
        Changed(src, false);
        Changed(dst, true);
    }

    std::string ReadTextFile(const std::string& path) override
    {
        const std::string native = Native(path);
        const int fd = ::open(native.c_str(), O_RDONLY);
        if (fd < 0)
            Fail("Open", path, errno);
        std::string text;
        char buffer[1 << 16];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n == 0)
                break;
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                const int err = errno;
                ::close(fd);
                Fail("Read", path, err);
            }
            text.append(buffer, static_cast<std::size_t>(n));
        }
        ::close(fd);
        return text;
    }

    void WriteTextFile(const std::string& path, const std::string& text) override
    {
        const std::string native = Native(path);
        const int fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0)
            Fail("Write", path, errno);
        WriteAll(fd, text.data(), text.size(), path, "Write");
        if (::fsync(fd) != 0) {
            const int err = errno;
            ::close(fd);
            Fail("Write", path, err);
        }
        if (::close(fd) != 0)
            Fail("Write", path, errno);
        Changed(native, true);
    }

    void ReplaceFile(const std::string& from, const std::string& to) override
    {
        const std::string dst = Native(to);
        const std::string src = Native(from);
        if (::rename(src.c_str(), dst.c_str()) != 0)
            Fail("Replace", to, errno);
        Changed(src, false);
        Changed(dst, true);
        Flush();
    }

private:
    std::string Native(const std::string& windowsPath) { return resolver_.Resolve(windowsPath); }

    // Bytes in the regular files below an open folder, which it closes;
    // links are not followed.
    static std::uint64_t SizeBelow(int dirFd)
    {
        DIR* dir = ::fdopendir(dirFd);
        if (!dir) {
            ::close(dirFd);
            return 0;
        }
        std::uint64_t total = 0;
        while (const dirent* entry = ::readdir(dir)) {
            const char* name = entry->d_name;
            if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
                continue;
            struct stat st {};
            if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue; // gone meanwhile
            if (S_ISREG(st.st_mode))
                total += static_cast<std::uint64_t>(st.st_size);
            else if (S_ISDIR(st.st_mode)) {
                const int sub = ::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
                if (sub >= 0)
                    total += SizeBelow(sub);
            }
        }
        ::closedir(dir);
        return total;
    }

    // Remembers what the program changed, for the resolver and for Flush.
    void Changed(const std::string& native, bool added)
    {
        if (added)
            resolver_.Added(native);
        else
            resolver_.Removed(native);
        const std::string_view dir = std::string_view(native).substr(0, native.find_last_of('/'));
        if (unsynced_.find(dir) == unsynced_.end())
            unsynced_.emplace(DirectoryOf(native));
    }

    PathResolver resolver_;
    std::set<std::string, std::less<>> unsynced_;
};

} // namespace

std::unique_ptr<FileSystemService> CreateFileSystemService()
{
    return std::make_unique<PosixFileSystem>();
}

} // namespace ovcache
