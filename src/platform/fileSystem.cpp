#include "platform/fileSystem.h"

#include "platform/codePage.h"

#include <optional>
#include <string_view>

namespace ovcache {

FileSystemError::FileSystemError(std::string operation, std::string path, FsErrorKind kind, std::string reason)
    : std::runtime_error(operation + " " + path + ": " + reason), operation_(std::move(operation)),
      path_(std::move(path)), kind_(kind), reason_(std::move(reason))
{
}

namespace {

// Windows wildcards on one name: "*" any run, "?" one character.
bool Matches(std::string_view pattern, std::string_view name)
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

} // namespace

void FileSystemService::DeleteFile(const std::string& spec, bool force)
{
    const std::size_t cut = spec.find_last_of("\\/");
    const std::string last = cut == std::string::npos ? spec : spec.substr(cut + 1);
    if (last.find_first_of("*?") == std::string::npos) {
        DeleteOneFile(spec, force);
        return;
    }
    const std::string pattern = FoldCaseCp1252(last);
    std::vector<std::string> matches;
    for (const std::string& path : ListFiles(cut == std::string::npos ? "." : spec.substr(0, cut)))
        if (Matches(pattern, FoldCaseCp1252(path.substr(path.find_last_of('\\') + 1))))
            matches.push_back(path);
    if (matches.empty())
        throw FileSystemError("DeleteFile", spec, FsErrorKind::NothingMatched, "File not found");
    std::optional<FileSystemError> first;
    for (const std::string& match : matches) {
        try {
            DeleteOneFile(match, force);
        } catch (const FileSystemError& e) {
            if (!first)
                first = e;
        }
    }
    if (first)
        throw *first;
}

Folder FileSystemService::GetFolder(const std::string& path)
{
    if (!FolderExists(path))
        throw FileSystemError("GetFolder", path, FsErrorKind::NotFound, "Path not found");
    return {this, path};
}

FileCollection Folder::Files() const
{
    return FileCollection(service_->ListFiles(path_));
}

std::uint64_t Folder::Size() const
{
    return service_->Measure(path_).bytes;
}

FolderMeasure Folder::Measure() const
{
    return service_->Measure(path_);
}

} // namespace ovcache
