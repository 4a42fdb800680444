#pragma once
// The working state of one run, owned by the main window.
#include "platform/fileSystem.h"

#include <chrono>
#include <memory>
#include <string>

namespace ovcache {

struct WorkingState {
    std::unique_ptr<FileSystemService> objFSO;
    std::string strGameFolder;
    std::string strCachePath;
    std::string strSelected; // the entry Move was asked to move
    // How long a command waits for another copy of the program to let the
    // game go before it says so.
    std::chrono::milliseconds lockPatience{1500};
    // Thousands separator of the user's locale, for the size label.
    std::string strGroupSeparator = ",";
};

} // namespace ovcache
