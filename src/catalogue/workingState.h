#pragma once
// The working state of one run, owned by the main window.
#include "platform/fileSystem.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace ovcache {

struct WorkingState {
    std::unique_ptr<FileSystemService> objFSO;
    Folder objFolder;
    FileCollection objFiles;
    std::string varFile;
    std::string strGameFolder;
    std::string strCachePath;
    std::string strSelected;
    std::string strLine;
    // Wide enough for an "=" anywhere in any line the index can hold.
    std::size_t intEqPos = 0;
    std::int32_t intResponse = 0;
    // How long a command waits for another copy of the program to let the
    // game go before it says so.
    std::chrono::milliseconds lockPatience{1500};
    // Thousands separator of the user's locale, for the size label.
    std::string strGroupSeparator = ",";
};

} // namespace ovcache
