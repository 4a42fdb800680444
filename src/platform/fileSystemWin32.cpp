// The file-system service on Windows, through the Unicode ("W") file
// functions: the program's UTF-8 paths reach every file, whatever the
// system's code page holds.
#include "platform/codePage.h"
#include "platform/fileSystem.h"
#include "platform/translatable.h"

#include <windows.h>
// The service's own operations share their names with these macros.
#undef DeleteFile
#undef MoveFile
#undef ReplaceFile
#undef CopyFile

#include <algorithm>
#include <cwchar>
#include <optional>
#include <string>

namespace ovcache {
namespace {

// A path as the W functions take it. One too long for the system's usual
// limit is made absolute and given the "\\?\" form, which lifts the limit;
// that form takes a path as it is, so it is made whole first.
std::wstring Wide(const std::string& path)
{
    const std::u16string units = Utf8ToUtf16(path);
    std::wstring wide(units.begin(), units.end());
    constexpr std::size_t kUsualLimit = 248; // MAX_PATH, less room for a folder's 8.3 name
    if (wide.size() < kUsualLimit || wide.starts_with(L"\\\\?\\") || wide.starts_with(L"\\\\.\\"))
        return wide;
    const DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return wide;
    std::wstring full(size, L'\0');
    const DWORD got = GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
    if (got == 0 || got >= size)
        return wide;
    full.resize(got);
    if (full.starts_with(L"\\\\"))
        return L"\\\\?\\UNC\\" + full.substr(2);
    if (full.size() > 2 && full[1] == L':')
        return L"\\\\?\\" + full;
    return wide;
}

std::string Narrow(const wchar_t* text, std::size_t size)
{
    return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text), size));
}

// The system's words for an error.
std::string SystemReason(DWORD code)
{
    wchar_t* text = nullptr;
    const DWORD size =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string reason;
    if (size && text) {
        reason = Narrow(text, size);
    } else {
        reason = "Error " + std::to_string(code);
    }
    if (text)
        LocalFree(text);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == '.'))
        reason.pop_back();
    return reason;
}

FsErrorKind KindOf(DWORD code)
{
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        return FsErrorKind::NotFound;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
        return FsErrorKind::AlreadyExists;
    case ERROR_NOT_SAME_DEVICE:
        return FsErrorKind::CrossVolume;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_WRITE_PROTECT:
        return FsErrorKind::AccessDenied;
    default:
        return FsErrorKind::Other;
    }
}

FileSystemError ErrorOf(const char* operation, const std::string& path, DWORD code)
{
    return {operation, path, KindOf(code), SystemReason(code)};
}

[[noreturn]] void Fail(const char* operation, const std::string& path, DWORD code = GetLastError())
{
    throw ErrorOf(operation, path, code);
}

// Closes the file and fails unless it is a file on disk: never a link, a
// folder, a device or a pipe.
void RequireRegular(HANDLE file, const std::string& path, const char* operation)
{
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))) {
        CloseHandle(file);
        throw FileSystemError(operation, path, FsErrorKind::NotRegular, N_("Not a regular file (a link or a device)"));
    }
}

// One of the program's own files: a regular file on disk with no other name,
// so that nothing is written through it into a file of the player's.
FileIdentity IdentityFrom(const BY_HANDLE_FILE_INFORMATION& info)
{
    return {info.dwVolumeSerialNumber, (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow,
            (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow,
            static_cast<std::int64_t>((std::uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) |
                                      info.ftLastWriteTime.dwLowDateTime)};
}

[[noreturn]] void NotOwn(const std::string& path, const char* operation)
{
    throw FileSystemError(operation, path, FsErrorKind::NotRegular,
                          N_("Not a file of this program's own: a link, a folder, a device, or a file that has "
                             "other names too. Move it out of the game's folder and try again"));
}

void RequireOwn(HANDLE file, const std::string& path, const char* operation)
{
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) ||
        info.nNumberOfLinks != 1) {
        CloseHandle(file);
        NotOwn(path, operation);
    }
}

std::optional<DWORD> AttributesOf(const std::string& path)
{
    const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return std::nullopt;
    return attributes;
}

// A folder or a link under the name of one of the program's own files, which
// the system would not open as a file at all.
void RefuseFolderOrLink(const std::string& path, const char* operation)
{
    if (const auto a = AttributesOf(path); a && (*a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        NotOwn(path, operation);
}

class Win32FileSystem final : public FileSystemService {
public:
    bool FileExists(const std::string& path) override
    {
        const auto a = AttributesOf(path);
        return a && !(*a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    }

    Outcome<bool> LookForFile(const std::string& path) override
    {
        const DWORD a = GetFileAttributesW(Wide(path).c_str());
        if (a == INVALID_FILE_ATTRIBUTES) {
            const DWORD code = GetLastError();
            if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND || code == ERROR_INVALID_NAME)
                return false;
            return ErrorOf("Look", path, code);
        }
        if (a & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
            return false;
        // something else with the name is said as what it is, not as nothing
        if (a & FILE_ATTRIBUTE_DIRECTORY)
            return FileSystemError("Look", path, FsErrorKind::NotRegular, N_("Not a file but a folder"));
        if (a & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE))
            return FileSystemError("Look", path, FsErrorKind::NotRegular,
                                   N_("Not a regular file but a link or a device"));
        return true;
    }

    bool FolderExists(const std::string& path) override
    {
        const auto a = AttributesOf(path);
        return a && (*a & FILE_ATTRIBUTE_DIRECTORY);
    }

    bool IsReadOnly(const std::string& path) override
    {
        const auto a = AttributesOf(path);
        return a && (*a & FILE_ATTRIBUTE_READONLY);
    }

    Outcome<void> TryVisitFiles(const std::string& folder, const NameSink& take) override
    {
        return Catching([&] {
            ForEachMatch(folder + "\\*", "GetFolder", [&](const WIN32_FIND_DATAW& found) {
                const std::wstring_view name = found.cFileName;
                if (name == L"." || name == L"..")
                    return;
                take(Narrow(found.cFileName, name.size()),
                     found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY                                 ? Listed::Folder
                     : found.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE) ? Listed::Other
                                                                                                       : Listed::Plain);
            });
        });
    }

    Outcome<FolderMeasure> TryMeasure(const std::string& folder) override
    {
        return Catching([&] {
            FolderMeasure measure;
            ForEachMatch(folder + "\\*", "Size", [&](const WIN32_FIND_DATAW& found) {
                const std::string name = Narrow(found.cFileName, std::wcslen(found.cFileName));
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    if (name != "." && name != ".." && !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                        measure.bytes += Raise(TryMeasure(folder + "\\" + name)).bytes;
                } else {
                    ++measure.files;
                    measure.bytes += (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
                }
            });
            return measure;
        });
    }

    // Keeps nothing between calls, so a measure can go on beside other work.
    PendingMeasure TryMeasureLater(const std::string& folder) override
    {
        if (!FolderExists(folder))
            return PendingMeasure(Outcome<FolderMeasure>(ErrorOf("GetFolder", folder, ERROR_PATH_NOT_FOUND)));
        return PendingMeasure(std::async(std::launch::async, [this, folder] { return TryMeasure(folder); }));
    }

    Outcome<void> TryDeleteOneFile(const std::string& path, bool force) override
    {
        return Catching([&] {
            const auto a = AttributesOf(path);
            if (!a)
                Fail("DeleteFile", path);
            if (*a & FILE_ATTRIBUTE_DIRECTORY)
                Fail("DeleteFile", path, ERROR_FILE_NOT_FOUND);
            if (*a & FILE_ATTRIBUTE_READONLY) {
                if (!force)
                    Fail("DeleteFile", path, ERROR_ACCESS_DENIED);
                SetFileAttributesW(Wide(path).c_str(), *a & ~FILE_ATTRIBUTE_READONLY);
            }
            if (!::DeleteFileW(Wide(path).c_str()))
                Fail("DeleteFile", path);
        });
    }

    Outcome<void> TryRename(const std::string& from, const std::string& to) override
    {
        return Catching([&] {
            // A link (reparse point) or a device is never moved.
            if (const auto a = AttributesOf(from); a && (*a & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)))
                throw FileSystemError("MoveFile", from, FsErrorKind::NotRegular,
                                      N_("Not a regular file (a link or a device)"));
            Raise(TryRenameListed(from, to));
        });
    }
    Outcome<void> TryRenameListed(const std::string& from, const std::string& to) override
    {
        return Catching([&] {
            // No replace flag: an existing destination is an error; no copy
            // between volumes either, which the caller does through CopyFile.
            if (!MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_WRITE_THROUGH)) {
                const DWORD code = GetLastError();
                Fail("MoveFile", code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS ? to : from, code);
            }
        });
    }

    Outcome<void> TryCreateFolder(const std::string& path) override
    {
        return Catching([&] {
            if (CreateDirectoryW(Wide(path).c_str(), nullptr))
                return;
            const DWORD code = GetLastError();
            const auto a = AttributesOf(path);
            if (code != ERROR_ALREADY_EXISTS || !a || !(*a & FILE_ATTRIBUTE_DIRECTORY) ||
                (*a & FILE_ATTRIBUTE_REPARSE_POINT))
                Fail("CreateFolder", path, code);
        });
    }

    std::optional<FileIdentity> IdentityOf(const std::string& path) override
    {
        const HANDLE file = CreateFileW(Wide(path).c_str(), FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return std::nullopt;
        BY_HANDLE_FILE_INFORMATION info{};
        const bool known = GetFileInformationByHandle(file, &info) != FALSE;
        CloseHandle(file);
        if (!known || (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)))
            return std::nullopt;
        return IdentityFrom(info);
    }

    Outcome<void> TryCopyFile(const std::string& from, const std::string& to, const CreatedFn& created) override
    {
        return Catching([&] {
            const HANDLE in = OpenRegular(from, "CopyFile");
            // CREATE_NEW never replaces, nor follows a link of the name.
            const HANDLE out = CreateFileW(Wide(to).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
            if (out == INVALID_HANDLE_VALUE) {
                const DWORD code = GetLastError();
                CloseHandle(in);
                Fail("CopyFile", to, code);
            }
            if (const Outcome<void> heard = Heard(out, created, "CopyFile", to, in); !heard) {
                CloseHandle(in);
                CloseHandle(out);
                ::DeleteFileW(Wide(to).c_str());
                throw heard.Failure();
            }
            std::string buffer(1 << 16, '\0');
            DWORD code = 0, got = 0;
            for (;;) {
                if (!ReadFile(in, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
                    code = GetLastError();
                    break;
                }
                if (got == 0)
                    break;
                DWORD wrote = 0;
                if (!WriteFile(out, buffer.data(), got, &wrote, nullptr) || wrote != got) {
                    code = GetLastError();
                    break;
                }
            }
            // the source's time, so that the copy is known as complete by it
            FILETIME written{};
            if (code == 0 &&
                (!GetFileTime(in, nullptr, nullptr, &written) || !SetFileTime(out, nullptr, nullptr, &written)))
                code = GetLastError();
            if (code == 0 && !FlushFileBuffers(out))
                code = GetLastError();
            CloseHandle(in);
            CloseHandle(out);
            if (code != 0) {
                ::DeleteFileW(Wide(to).c_str());
                Fail("CopyFile", to, code);
            }
        });
    }

    Outcome<bool> TrySameContent(const std::string& a, const std::string& b) override
    {
        return Catching([&] {
            const HANDLE one = OpenRegular(a, "Compare");
            HANDLE two = INVALID_HANDLE_VALUE;
            try {
                two = OpenRegular(b, "Compare");
            } catch (const FileSystemError&) {
                CloseHandle(one);
                throw;
            }
            LARGE_INTEGER sizeA{}, sizeB{};
            bool same = GetFileSizeEx(one, &sizeA) && GetFileSizeEx(two, &sizeB) && sizeA.QuadPart == sizeB.QuadPart;
            std::string x(1 << 16, '\0'), y(1 << 16, '\0');
            while (same) {
                DWORD n = 0, m = 0;
                same = ReadFile(one, x.data(), static_cast<DWORD>(x.size()), &n, nullptr) &&
                       ReadFile(two, y.data(), static_cast<DWORD>(y.size()), &m, nullptr) && n == m &&
                       x.compare(0, n, y, 0, m) == 0;
                if (n == 0)
                    break;
            }
            CloseHandle(one);
            CloseHandle(two);
            return same;
        });
    }

    bool PathExists(const std::string& path) override { return AttributesOf(path).has_value(); }

    Outcome<void> TryAppendTextFile(const std::string& path, const std::string& text, bool flush) override
    {
        return Catching([&] {
            RefuseFolderOrLink(path, "Write");
            const HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
            if (file == INVALID_HANDLE_VALUE)
                Fail("Write", path);
            RequireOwn(file, path, "Write");
            // A last line torn by a crash is cut away, so that the text begins
            // on a line of its own and no entry is lost to the fragment.
            LARGE_INTEGER size{}, cut{};
            GetFileSizeEx(file, &size);
            cut.QuadPart = static_cast<LONGLONG>(
                WholeLinesEnd(static_cast<std::uint64_t>(size.QuadPart), [file](char* buffer, std::size_t count,
                                                                                std::uint64_t offset) {
                    OVERLAPPED at{};
                    at.Offset = static_cast<DWORD>(offset);
                    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
                    DWORD got = 0;
                    return ReadFile(file, buffer, static_cast<DWORD>(count), &got, &at) ? std::int64_t{got} : -1;
                }));
            const LARGE_INTEGER none{};
            DWORD wrote = 0;
            if ((cut.QuadPart < size.QuadPart &&
                 (!SetFilePointerEx(file, cut, nullptr, FILE_BEGIN) || !SetEndOfFile(file))) ||
                !SetFilePointerEx(file, none, nullptr, FILE_END) ||
                !WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &wrote, nullptr) ||
                (flush && !FlushFileBuffers(file))) {
                const DWORD code = GetLastError();
                CloseHandle(file);
                Fail("Write", path, code);
            }
            CloseHandle(file);
        });
    }

    Outcome<std::unique_ptr<FileLock>> TryLock(const std::string& path) override
    {
        return Catching([&]() -> std::unique_ptr<FileLock> {
            // Shared for reading and writing, so that a second copy can open it
            // and find the lock taken; a link of the name is opened itself.
            RefuseFolderOrLink(path, "Lock");
            const HANDLE file =
                CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
            if (file == INVALID_HANDLE_VALUE)
                Fail("Lock", path);
            RequireOwn(file, path, "Lock");
            // The first byte: Wine turns this lock into a POSIX lock of the same
            // range, which the Linux program takes too.
            OVERLAPPED at{};
            if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
                const DWORD code = GetLastError();
                CloseHandle(file);
                if (code == ERROR_LOCK_VIOLATION || code == ERROR_SHARING_VIOLATION || code == ERROR_IO_PENDING)
                    return nullptr;
                Fail("Lock", path, code);
            }
            struct Held final : FileLock {
                explicit Held(HANDLE file) : file(file) {}
                ~Held() override { CloseHandle(file); }
                HANDLE file;
            };
            return std::make_unique<Held>(file);
        });
    }

    Outcome<std::string> TryReadOwnFile(const std::string& path) override
    {
        return Catching([&] {
            RefuseFolderOrLink(path, "Open");
            const HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
            if (file == INVALID_HANDLE_VALUE)
                Fail("Open", path);
            RequireOwn(file, path, "Open");
            CloseHandle(file);
            return Raise(TryReadTextFile(path));
        });
    }

    Outcome<void> TryReadText(const std::string& path, const TextSink& take) override
    {
        return Catching([&] {
            // The file itself, not what a link of its name points to; only a
            // file on disk of a sane size.
            const HANDLE file = OpenRegular(path, "Open");
            const std::unique_ptr<void, decltype(&CloseHandle)> closing(file, &CloseHandle);
            LARGE_INTEGER size{};
            if (!GetFileSizeEx(file, &size) || static_cast<std::uint64_t>(size.QuadPart) > kMaxTextFile)
                throw FileSystemError("Open", path, FsErrorKind::Other, "The file is too large to be an index");
            char buffer[1 << 16];
            for (std::uint64_t total = 0;;) {
                DWORD got = 0;
                if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr))
                    Fail("Read", path, GetLastError());
                if (got == 0)
                    break;
                total += got;
                if (total > kMaxTextFile)
                    throw FileSystemError("Read", path, FsErrorKind::Other, "The file is too large to be an index");
                if (!take(std::string_view(buffer, got), static_cast<std::uint64_t>(size.QuadPart)))
                    break;
            }
        });
    }

    Outcome<void> TryWriteTextFile(const std::string& path, const std::string& text, const CreatedFn& created) override
    {
        return Catching([&] {
            // Made anew: whatever had the name (a link included) is deleted, never
            // written through, and the file is created only if the name is free.
            if (const auto a = AttributesOf(path)) {
                if (*a & FILE_ATTRIBUTE_READONLY)
                    SetFileAttributesW(Wide(path).c_str(), *a & ~FILE_ATTRIBUTE_READONLY);
                if (!::DeleteFileW(Wide(path).c_str()))
                    Fail("Write", path);
            }
            const HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr);
            if (file == INVALID_HANDLE_VALUE)
                Fail("Write", path);
            if (const Outcome<void> heard = Heard(file, created, "Write", path); !heard) {
                CloseHandle(file);
                ::DeleteFileW(Wide(path).c_str());
                throw heard.Failure();
            }
            std::size_t done = 0;
            while (done < text.size()) {
                DWORD wrote = 0;
                const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 1 << 20));
                if (!WriteFile(file, text.data() + done, chunk, &wrote, nullptr)) {
                    const DWORD code = GetLastError();
                    CloseHandle(file);
                    Fail("Write", path, code);
                }
                done += wrote;
            }
            if (!FlushFileBuffers(file)) {
                const DWORD code = GetLastError();
                CloseHandle(file);
                Fail("Write", path, code);
            }
            CloseHandle(file);
        });
    }

    // Every move is written through already.
    Outcome<void> TryFlush() override { return {}; }

    Outcome<void> TryReplaceFile(const std::string& from, const std::string& to) override
    {
        return Catching([&] {
            // A read-only index would refuse to be replaced.
            if (const auto a = AttributesOf(to); a && (*a & FILE_ATTRIBUTE_READONLY))
                SetFileAttributesW(Wide(to).c_str(), *a & ~FILE_ATTRIBUTE_READONLY);
            if (!MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
                Fail("Replace", to);
        });
    }

private:
    // Tells created of a file just made, empty: its identity and the time
    // it was made.
    static Outcome<void> Created(HANDLE file, const CreatedFn& created, const char* operation, const std::string& path)
    {
        if (!created)
            return {};
        BY_HANDLE_FILE_INFORMATION info{};
        if (!GetFileInformationByHandle(file, &info))
            return ErrorOf(operation, path, GetLastError());
        FileIdentity made = IdentityFrom(info);
        made.size = 0;
        return created(made);
    }

    // Created, with the files open here closed should anything else escape
    // the callback (the program stopped dead there, as a test stops it):
    // as the system closes them for a program that ends.
    static Outcome<void> Heard(HANDLE file, const CreatedFn& created, const char* operation, const std::string& path,
                               HANDLE other = INVALID_HANDLE_VALUE)
    {
        try {
            return Created(file, created, operation, path);
        } catch (...) {
            CloseHandle(file);
            if (other != INVALID_HANDLE_VALUE)
                CloseHandle(other);
            throw;
        }
    }

    // A regular file opened to read; never a link, a folder or a device.
    static HANDLE OpenRegular(const std::string& path, const char* operation)
    {
        const HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            Fail(operation, path);
        RequireRegular(file, path, operation);
        return file;
    }

    template <typename Visit> static void ForEachMatch(const std::string& pattern, const char* operation, Visit visit)
    {
        WIN32_FIND_DATAW found{};
        const HANDLE search = FindFirstFileW(Wide(pattern).c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) {
            const DWORD code = GetLastError();
            if (code == ERROR_FILE_NOT_FOUND || code == ERROR_NO_MORE_FILES)
                return;
            Fail(operation, pattern, code);
        }
        do
            visit(found);
        while (FindNextFileW(search, &found));
        FindClose(search);
    }
};

} // namespace

std::unique_ptr<FileSystemService> CreateFileSystemService()
{
    return std::make_unique<Win32FileSystem>();
}

} // namespace ovcache
