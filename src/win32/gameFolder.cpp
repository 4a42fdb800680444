#include "win32/gameFolder.h"

#include "platform/codePage.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <shobjidl.h>

namespace ovcache::win32 {
namespace {

constexpr const wchar_t* kSettingsKey = L"Software\\Orvane Cache Importer";
constexpr const wchar_t* kFolderValue = L"GameFolder";

std::wstring Wide(const std::string& utf8)
{
    const std::u16string text = Utf8ToUtf16(utf8);
    return {text.begin(), text.end()};
}

} // namespace

std::optional<std::string> PickFolder(const std::string& title)
{
    const bool initialised = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
    std::optional<std::string> folder;
    IFileOpenDialog* dialog = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&dialog)))) {
        DWORD options = 0;
        dialog->GetOptions(&options);
        dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
        dialog->SetTitle(Wide(title).c_str());
        IShellItem* item = nullptr;
        if (SUCCEEDED(dialog->Show(nullptr)) && SUCCEEDED(dialog->GetResult(&item))) {
            PWSTR path = nullptr;
            if (SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
                folder = Utf16ToUtf8(reinterpret_cast<const char16_t*>(path));
                CoTaskMemFree(path);
            }
            item->Release();
        }
        dialog->Release();
    }
    if (initialised)
        CoUninitialize();
    return folder;
}

std::string RememberedFolder()
{
    wchar_t text[32768] = {};
    DWORD size = sizeof text;
    if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, kFolderValue, RRF_RT_REG_SZ, nullptr, text, &size) !=
        ERROR_SUCCESS)
        return {};
    return Utf16ToUtf8(reinterpret_cast<const char16_t*>(text));
}

void RememberFolder(const std::string& folder)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    const std::wstring text = Wide(folder);
    RegSetValueExW(key, kFolderValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

} // namespace ovcache::win32
