#include "win32/console.h"

#include "platform/codePage.h"

#include <shellapi.h>

namespace ovcache::win32 {

std::vector<std::string> Arguments()
{
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int k = 1; args && k < count; ++k)
        arguments.push_back(Utf16ToUtf8(reinterpret_cast<const char16_t*>(args[k])));
    LocalFree(args);
    return arguments;
}

std::string CommandLineText()
{
    return Utf16ToUtf8(reinterpret_cast<const char16_t*>(GetCommandLineW()));
}

ConsoleStreams::~ConsoleStreams()
{
    if (console_ != INVALID_HANDLE_VALUE)
        CloseHandle(console_);
}

bool ConsoleStreams::Write(DWORD which, std::string_view text)
{
    HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || GetFileType(handle) == FILE_TYPE_UNKNOWN) {
        if (!attachTried_) {
            attachTried_ = true;
            if (AttachConsole(ATTACH_PARENT_PROCESS))
                console_ = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, 0, nullptr);
        }
        handle = console_;
    }
    // Started with nowhere to write (from a shortcut), nothing is lost.
    if (handle == INVALID_HANDLE_VALUE || text.empty())
        return true;
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(handle, &mode)) {
        // A console draws UTF-16 whatever its code page.
        const std::u16string wide = Utf8ToUtf16(text);
        return WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr) &&
               written == wide.size();
    }
    // A file or a pipe gets UTF-8, as the JSON is.
    return WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written == text.size();
}

} // namespace ovcache::win32
