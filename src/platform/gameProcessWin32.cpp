#include "platform/gameProcess.h"

#include "platform/codePage.h"

#include <cwchar>
#include <windows.h>

namespace ovcache {

GameEnd RunGame(const GameCommand& command)
{
    GameEnd end;
    std::u16string line = Utf8ToUtf16(command.commandLine);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    // Started from a shortcut or a launcher this program has no console, and
    // a console game is given none of its own rather than a window of one.
    const DWORD flags = GetConsoleWindow() ? 0 : CREATE_NO_WINDOW;
    if (line.empty() || !CreateProcessW(nullptr, reinterpret_cast<wchar_t*>(line.data()), nullptr, nullptr, FALSE,
                                        flags, nullptr, nullptr, &startup, &process)) {
        const DWORD error = line.empty() ? ERROR_BAD_PATHNAME : GetLastError();
        end.how = GameEnd::How::NotStarted;
        wchar_t* text = nullptr;
        if (FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr) &&
            text) {
            std::size_t length = std::wcslen(text);
            while (length > 0 && (text[length - 1] == L'\n' || text[length - 1] == L'\r' || text[length - 1] == L' '))
                --length;
            end.reason = Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text), length));
            LocalFree(text);
        } else {
            end.reason = "error " + std::to_string(error);
        }
        return end;
    }
    CloseHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    end.code = static_cast<int>(code);
    return end;
}

int EndAsTheGameDid(const GameEnd& end)
{
    return ShellStatus(end);
}

} // namespace ovcache
