#include "platform/programLauncher.h"

#include "platform/codePage.h"

#include <windows.h>

namespace ovcache {

bool StartProgram(const std::string& windowsPath, int windowStyle)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(windowStyle);
    PROCESS_INFORMATION process{};
    const std::u16string path = Utf8ToUtf16(windowsPath);
    std::u16string commandLine = u"\"" + path + u"\"";
    if (!CreateProcessW(reinterpret_cast<const wchar_t*>(path.c_str()), reinterpret_cast<wchar_t*>(commandLine.data()),
                        nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

} // namespace ovcache
