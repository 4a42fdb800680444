#include "platform/fileSystem.h"

#include "platform/codePage.h"

#include <optional>
#include <string_view>
#include <type_traits>

namespace ovcache {

FileSystemError::FileSystemError(const std::string& operation, std::string path, FsErrorKind kind, std::string reason)
    : std::runtime_error(operation + " " + path + ": " + reason), path_(std::move(path)), kind_(kind),
      reason_(std::move(reason))
{
}

std::uint64_t WholeLinesEnd(std::uint64_t size, const ReadAtFn& readAt)
{
    char buffer[4096];
    for (std::uint64_t end = size; end > 0;) {
        const std::uint64_t start = end > sizeof buffer ? end - sizeof buffer : 0;
        const std::int64_t got = readAt(buffer, static_cast<std::size_t>(end - start), start);
        if (got <= 0)
            return size;
        for (auto k = static_cast<std::size_t>(got); k > 0; --k)
            if (buffer[k - 1] == '\n')
                return start + k;
        end = start;
    }
    return 0;
}

bool WildcardMatches(std::string_view pattern, std::string_view name)
{
    if (pattern == "*.*" || pattern == "*")
        return true;
    std::size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

namespace {

// The one place an operation's failure becomes a value.
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

} // namespace

Outcome<FileSystemService::Moved> FileSystemService::TryMoveFile(const std::string& from, const std::string& to,
                                                                 bool listedPlain)
{
    Outcome<void> moved = Catching([&] { listedPlain ? MoveListedFile(from, to) : MoveFile(from, to); });
    if (moved)
        return Moved::Done;
    if (moved.Failure().Kind() == FsErrorKind::AlreadyExists)
        return Moved::NameTaken;
    if (moved.Failure().Kind() == FsErrorKind::CrossVolume)
        return Moved::OtherVolume;
    return moved.Failure();
}

Outcome<void> FileSystemService::TryRename(const std::string& from, const std::string& to)
{
    return Catching([&] { MoveFile(from, to); });
}

Outcome<FileCollection> FileSystemService::TryListFiles(const std::string& folder)
{
    return Catching([&] { return ListFiles(folder); });
}

Outcome<void> FileSystemService::TryVisitFiles(const std::string& folder, const NameSink& take)
{
    return Catching([&] { VisitFiles(folder, take); });
}

Outcome<void> FileSystemService::TryDeleteFile(const std::string& spec, bool force, std::string_view last,
                                               const ProgressFn& progress)
{
    return Catching([&] { DeleteFile(spec, force, last, progress); });
}

Outcome<void> FileSystemService::TryDeleteOneFile(const std::string& path, bool force)
{
    return Catching([&] { DeleteOneFile(path, force); });
}

Outcome<void> FileSystemService::TryCopyFile(const std::string& from, const std::string& to, const CreatedFn& created)
{
    return Catching([&] { CopyFile(from, to, created); });
}

Outcome<void> FileSystemService::TryCreateFolder(const std::string& path)
{
    return Catching([&] { CreateFolder(path); });
}

Outcome<std::string> FileSystemService::TryReadTextFile(const std::string& path)
{
    return Catching([&] { return ReadTextFile(path); });
}

Outcome<void> FileSystemService::TryReadText(const std::string& path, const TextSink& take)
{
    return Catching([&] { ReadText(path, take); });
}

Outcome<bool> FileSystemService::TryTextFileIs(const std::string& path, std::string_view text)
{
    return Catching([&] { return TextFileIs(path, text); });
}

Outcome<std::string> FileSystemService::TryReadOwnFile(const std::string& path)
{
    return Catching([&] { return ReadOwnFile(path); });
}

Outcome<void> FileSystemService::TryWriteTextFile(const std::string& path, const std::string& text)
{
    return Catching([&] { WriteTextFile(path, text); });
}

Outcome<void> FileSystemService::TryAppendTextFile(const std::string& path, const std::string& text)
{
    return Catching([&] { AppendTextFile(path, text); });
}

Outcome<void> FileSystemService::TryReplaceFile(const std::string& from, const std::string& to)
{
    return Catching([&] { ReplaceFile(from, to); });
}

Outcome<void> FileSystemService::TryFlush()
{
    return Catching([&] { Flush(); });
}

FileSystemService::PendingMeasure FileSystemService::TryMeasureLater(const std::string& folder)
{
    return PendingMeasure(Catching([&] { return GetFolder(folder).MeasureLater(); }));
}

Outcome<FolderMeasure> FileSystemService::PendingMeasure::Get()
{
    if (!measuring_)
        return measuring_.Failure();
    return Catching([&] { return measuring_->get(); });
}

Outcome<std::unique_ptr<FileLock>> FileSystemService::TryLock(const std::string& path)
{
    return Catching([&] { return Lock(path); });
}

void FileSystemService::DeleteFile(const std::string& spec, bool force, std::string_view last,
                                   const ProgressFn& progress)
{
    const std::size_t cut = spec.find_last_of("\\/");
    const std::string name = cut == std::string::npos ? spec : spec.substr(cut + 1);
    if (name.find_first_of("*?") == std::string::npos) {
        DeleteOneFile(spec, force);
        return;
    }
    if (!DeleteMatching(cut == std::string::npos ? "." : spec.substr(0, cut), FoldCase(name), force, last, progress))
        throw FileSystemError("DeleteFile", spec, FsErrorKind::NothingMatched, "File not found");
}

// Where names cannot hold a separator (Windows), a listed name joined to its
// folder names that same file again. The files named last are kept when
// another could not be deleted.
bool FileSystemService::DeleteMatching(const std::string& folder, const std::string& pattern, bool force,
                                       std::string_view last, const ProgressFn& progress)
{
    const std::string lastFolded = FoldCase(last);
    const FileCollection files = ListFiles(folder);
    std::vector<std::size_t> matches, atEnd; // those named last: several where case counts
    for (std::size_t k = 0; k < files.Count(); ++k) {
        const std::string folded = FoldCase(files.Name(k));
        if (WildcardMatches(pattern, folded))
            (!last.empty() && folded == lastFolded ? atEnd : matches).push_back(k);
    }
    const std::size_t lastFrom = matches.size();
    matches.insert(matches.end(), atEnd.begin(), atEnd.end());
    if (matches.empty())
        return false;
    std::optional<FileSystemError> first;
    for (std::size_t k = 0; k < matches.size(); ++k) {
        if (first && k >= lastFrom)
            break; // what is left keeps the files named last
        try {
            DeleteOneFile(files.Path(matches[k]), force);
        } catch (const FileSystemError& e) {
            if (!first)
                first = e;
        }
        if (progress)
            progress(k + 1, matches.size());
    }
    if (first)
        throw *first;
    return true;
}

FileCollection FileSystemService::ListFiles(const std::string& folder)
{
    FileCollection files(folder);
    VisitFiles(folder, [&](std::string_view name, bool) { files.Add(name); });
    return files;
}

std::string FileSystemService::ReadTextFile(const std::string& path)
{
    std::string text;
    ReadText(path, [&](std::string_view piece, std::uint64_t size) {
        // read into room of the file's size, not grown by doubling as it comes
        if (text.empty())
            text.reserve(static_cast<std::size_t>(size) + 1);
        text.append(piece);
        return true;
    });
    return text;
}

bool FileSystemService::TextFileIs(const std::string& path, std::string_view text)
{
    std::size_t at = 0;
    bool same = true;
    ReadText(path, [&](std::string_view piece, std::uint64_t size) {
        same = size == text.size() && text.substr(at, piece.size()) == piece;
        at += piece.size();
        return same;
    });
    return same && at == text.size();
}

Folder FileSystemService::GetFolder(const std::string& path)
{
    if (!FolderExists(path))
        throw FileSystemError("GetFolder", path, FsErrorKind::NotFound, "Path not found");
    return {this, path};
}

FileCollection Folder::Files() const
{
    return service_->ListFiles(path_);
}

FolderMeasure Folder::Measure() const
{
    return service_->Measure(path_);
}

std::future<FolderMeasure> Folder::MeasureLater() const
{
    return service_->MeasureLater(path_);
}

std::future<FolderMeasure> FileSystemService::MeasureLater(const std::string& folder)
{
    std::promise<FolderMeasure> measured;
    try {
        measured.set_value(Measure(folder));
    } catch (...) {
        measured.set_exception(std::current_exception());
    }
    return measured.get_future();
}

} // namespace ovcache
