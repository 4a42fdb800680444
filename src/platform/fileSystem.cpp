#include "platform/fileSystem.h"

#include "platform/codePage.h"
#include "platform/translatable.h"

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

Outcome<FileSystemService::Moved> FileSystemService::TryMoveFile(const std::string& from, const std::string& to,
                                                                 bool listedPlain)
{
    const Outcome<void> moved = listedPlain ? TryRenameListed(from, to) : TryRename(from, to);
    if (moved)
        return Moved::Done;
    if (moved.Failure().Kind() == FsErrorKind::AlreadyExists)
        return Moved::NameTaken;
    if (moved.Failure().Kind() == FsErrorKind::CrossVolume)
        return Moved::OtherVolume;
    return moved.Failure();
}

Outcome<FileCollection> FileSystemService::TryListFiles(const std::string& folder)
{
    FileCollection files(folder);
    if (Outcome<void> listed = TryVisitFiles(folder,
                                             [&](std::string_view name, Listed what) {
                                                 if (what != Listed::Folder) // as Windows lists files
                                                     files.Add(name);
                                             });
        !listed)
        return listed.Failure();
    return files;
}

Outcome<void> FileSystemService::TryDeleteFile(const std::string& spec, bool force, std::string_view last,
                                               const ProgressFn& progress)
{
    const std::size_t cut = spec.find_last_of("\\/");
    const std::string name = cut == std::string::npos ? spec : spec.substr(cut + 1);
    if (name.find_first_of("*?") == std::string::npos)
        return TryDeleteOneFile(spec, force);
    const Outcome<bool> matched =
        TryDeleteMatching(cut == std::string::npos ? "." : spec.substr(0, cut), FoldCase(name), force, last, progress);
    if (!matched)
        return matched.Failure();
    if (!*matched)
        return FileSystemError("DeleteFile", spec, FsErrorKind::NothingMatched, N_("File not found"));
    return {};
}

// Where names cannot hold a separator (Windows), a listed name joined to its
// folder names that same file again. The files named last are kept when
// another could not be deleted.
Outcome<bool> FileSystemService::TryDeleteMatching(const std::string& folder, const std::string& pattern, bool force,
                                                   std::string_view last, const ProgressFn& progress)
{
    const std::string lastFolded = FoldCase(last);
    const Outcome<FileCollection> listed = TryListFiles(folder);
    if (!listed)
        return listed.Failure();
    const FileCollection& files = *listed;
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
        if (const Outcome<void> deleted = TryDeleteOneFile(files.Path(matches[k]), force); !deleted && !first)
            first = deleted.Failure();
        if (progress)
            progress(k + 1, matches.size());
    }
    if (first)
        return *first;
    return true;
}

Outcome<std::string> FileSystemService::TryReadTextFile(const std::string& path)
{
    std::string text;
    const Outcome<void> read = TryReadText(path, [&](std::string_view piece, std::uint64_t size) {
        // read into room of the file's size, not grown by doubling as it comes
        if (text.empty())
            text.reserve(static_cast<std::size_t>(size) + 1);
        text.append(piece);
        return true;
    });
    if (!read)
        return read.Failure();
    return text;
}

Outcome<bool> FileSystemService::TryTextFileIs(const std::string& path, std::string_view text)
{
    std::size_t at = 0;
    bool same = true;
    const Outcome<void> read = TryReadText(path, [&](std::string_view piece, std::uint64_t size) {
        same = size == text.size() && text.substr(at, piece.size()) == piece;
        at += piece.size();
        return same;
    });
    if (!read)
        return read.Failure();
    return same && at == text.size();
}

FileSystemService::PendingMeasure::PendingMeasure(Outcome<FolderMeasure> measured)
{
    std::promise<Outcome<FolderMeasure>> now;
    now.set_value(std::move(measured));
    measuring_ = now.get_future();
}

FileSystemService::PendingMeasure FileSystemService::TryMeasureLater(const std::string& folder)
{
    if (!FolderExists(folder))
        return PendingMeasure(
            Outcome<FolderMeasure>(FileSystemError("GetFolder", folder, FsErrorKind::NotFound, N_("Path not found"))));
    return PendingMeasure(TryMeasure(folder));
}

} // namespace ovcache
