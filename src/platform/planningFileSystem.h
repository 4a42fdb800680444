#pragma once
// A file service that changes nothing: it reads the system's files through
// the service it is given and keeps each change asked of it in memory, as if
// made. A command run on it does exactly what it would do on the disk, asks
// the same questions, meets the same names taken and read-only maps, and
// answers with the same result, while no file, folder, journal or lock file
// is made, changed or removed.
#include "platform/fileSystem.h"

#include <memory>

namespace ovcache {

std::unique_ptr<FileSystemService> CreatePlanningService(std::unique_ptr<FileSystemService> real);

} // namespace ovcache
