#include "platform/programLauncher.h"

#include <windows.h>

namespace ovcache {

bool StartProgram(const std::string& windowsPath, int windowStyle)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(windowStyle);
    PROCESS_INFORMATION process{};
    std::string commandLine = "\"" + windowsPath + "\"";
    if (!CreateProcessA(windowsPath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

} // namespace ovcache
