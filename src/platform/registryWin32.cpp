// The Windows registry, through advapi32's Unicode functions: a value the
// game's ANSI installer wrote is kept in UTF-16 too, so this reads it whole
// whatever the code page.
#include "platform/codePage.h"
#include "platform/registry.h"

#include <windows.h>

namespace ovcache {
namespace {

const wchar_t* WideOf(const std::u16string& text)
{
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

std::optional<RegValue> QueryView(HKEY rootKey, const std::u16string& subKey, const std::u16string& valueName,
                                  REGSAM view)
{
    HKEY handle = nullptr;
    if (RegOpenKeyExW(rootKey, WideOf(subKey), 0, KEY_READ | view, &handle) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD type = 0;
    DWORD size = 0;
    std::optional<RegValue> result;
    if (RegQueryValueExW(handle, WideOf(valueName), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        // As the first answer reported it; the second query fills what it can.
        std::vector<std::uint8_t> buffer(size, 0);
        DWORD scratchType = 0;
        RegQueryValueExW(handle, WideOf(valueName), nullptr, &scratchType, buffer.empty() ? nullptr : buffer.data(),
                         &size);
        if (size < buffer.size())
            buffer.resize(size);
        if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
            std::u16string units;
            for (std::size_t k = 0; k + 1 < buffer.size(); k += 2)
                units += static_cast<char16_t>(buffer[k] | (buffer[k + 1] << 8));
            const std::string text = Utf16ToUtf8(units);
            buffer.assign(text.begin(), text.end());
        }
        result = RegValue{type, std::move(buffer)};
    }
    RegCloseKey(handle);
    return result;
}

} // namespace

std::optional<RegValue> QueryRegValue(std::uint32_t root, const std::string& subKey, const std::string& valueName)
{
    // The game's 32-bit installer writes to the 32-bit view: that view first,
    // so that a 64-bit build finds what it wrote, then the 64-bit one, as the
    // Linux side reads a Wine prefix. Read access is all we need.
    const HKEY rootKey = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
    const std::u16string key = Utf8ToUtf16(subKey), name = Utf8ToUtf16(valueName);
    for (const REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY})
        if (auto value = QueryView(rootKey, key, name, view))
            return value;
    return std::nullopt;
}

} // namespace ovcache
