#include "platform/codePage.h"
#include "platform/registry.h"
#include "platform/uac.h"

#include <windows.h>

#include <knownfolders.h>
#include <shellapi.h>
#include <shlobj.h>

namespace ovcache {
namespace {

std::string KnownFolder(REFKNOWNFOLDERID id)
{
    PWSTR path = nullptr;
    std::string text;
    if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, &path)) && path)
        text = Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(path)));
    CoTaskMemFree(path);
    return text;
}

// Windows virtualizes only while UAC is on, as it is unless turned off.
bool UacOn()
{
    const auto value =
        QueryRegValue(kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", "EnableLUA");
    if (!value || value->type != kRegDword || value->data.size() < 4)
        return true;
    return value->data[0] != 0 || value->data[1] != 0 || value->data[2] != 0 || value->data[3] != 0;
}

// Whether the player has set a program in folder to run as administrator
// (its Compatibility tab, for this user or for all): Windows then does not
// virtualize the game, which reads and writes its real folders.
bool SetToRunAsAdministrator(const std::string& folder)
{
    const std::string below = FoldCase(folder.ends_with('\\') ? folder : folder + "\\");
    for (const HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        HKEY layers = nullptr;
        if (RegOpenKeyExW(root, L"Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers", 0,
                          KEY_QUERY_VALUE, &layers) != ERROR_SUCCESS)
            continue;
        bool found = false;
        for (DWORD k = 0; !found; ++k) {
            wchar_t name[1024];
            wchar_t data[512];
            DWORD nameLength = 1024, dataSize = sizeof data - sizeof(wchar_t), type = 0;
            const LONG got =
                RegEnumValueW(layers, k, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data), &dataSize);
            if (got == ERROR_NO_MORE_ITEMS)
                break;
            if (got != ERROR_SUCCESS || type != REG_SZ)
                continue;
            data[dataSize / sizeof(wchar_t)] = L'\0';
            const std::string program =
                FoldCase(Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(name), nameLength)));
            found =
                program.starts_with(below) && std::wstring_view(data).find(L"RUNASADMIN") != std::wstring_view::npos;
        }
        RegCloseKey(layers);
        if (found)
            return true;
    }
    return false;
}

} // namespace

std::string VirtualStoreFolder(const std::string& folder)
{
    if (!UacOn() || SetToRunAsAdministrator(folder))
        return {};
    // The folders Windows virtualizes for an unelevated old program.
    const std::vector<std::string> protectedFolders{
        KnownFolder(FOLDERID_ProgramFiles), KnownFolder(FOLDERID_ProgramFilesX86),
        KnownFolder(FOLDERID_ProgramFilesX64), KnownFolder(FOLDERID_ProgramData), KnownFolder(FOLDERID_Windows)};
    return VirtualStorePath(folder, protectedFolders, KnownFolder(FOLDERID_LocalAppData));
}

bool CanRestartAsAdministrator()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    const bool known = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size);
    CloseHandle(token);
    return known && !elevation.TokenIsElevated;
}

Restart RestartCommand(const std::string& gameFolder)
{
    // The program's own path in UTF-16 as the system has it, whatever its
    // folder's name: the code page need not hold it.
    std::wstring self(MAX_PATH, L'\0');
    for (;;) {
        const DWORD got = GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()));
        if (got == 0)
            return {};
        if (got < self.size()) {
            self.resize(got);
            break;
        }
        self.resize(self.size() * 2);
    }
    return {Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(self.data()), self.size())),
            "--game " + QuoteArgument(gameFolder)};
}

bool RestartAsAdministrator(const std::string& gameFolder)
{
    const Restart restart = RestartCommand(gameFolder);
    if (restart.program.empty())
        return false;
    const std::u16string program = Utf8ToUtf16(restart.program), arguments = Utf8ToUtf16(restart.arguments);
    SHELLEXECUTEINFOW run{};
    run.cbSize = sizeof run;
    run.fMask = SEE_MASK_NOASYNC;
    run.lpVerb = L"runas";
    run.lpFile = reinterpret_cast<const wchar_t*>(program.c_str());
    run.lpParameters = reinterpret_cast<const wchar_t*>(arguments.c_str());
    run.nShow = SW_SHOWNORMAL;
    return ShellExecuteExW(&run) != FALSE;
}

} // namespace ovcache
