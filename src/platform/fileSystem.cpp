#include "platform/fileSystem.h"

namespace ovcache {

FileSystemError::FileSystemError(std::string operation, std::string path, FsErrorKind kind,
                                 std::string reason)
    : std::runtime_error(operation + " " + path + ": " + reason),
      operation_(std::move(operation)),
      path_(std::move(path)),
      kind_(kind),
      reason_(std::move(reason))
{
}

Folder FileSystemService::GetFolder(const std::string& path)
{
    if (!FolderExists(path))
        throw FileSystemError("GetFolder", path, FsErrorKind::NotFound, "Path not found");
    return Folder(this, path);
}

FileCollection Folder::Files() const
{
    return FileCollection(service_->ListFiles(path_));
}

std::uint64_t Folder::Size() const
{
    return service_->FolderSize(path_);
}

} // namespace ovcache
