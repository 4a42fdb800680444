// The Windows registry, through advapi32's single-byte functions.
#include "platform/registry.h"

#include <windows.h>

namespace ovcache {
namespace {

std::optional<RegValue> QueryView(HKEY rootKey, const std::string& subKey, const std::string& valueName, REGSAM view)
{
    HKEY handle = nullptr;
    if (RegOpenKeyExA(rootKey, subKey.c_str(), 0, KEY_READ | view, &handle) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD type = 0;
    DWORD size = 0;
    std::optional<RegValue> result;
    if (RegQueryValueExA(handle, valueName.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        // As the first answer reported it; the second query fills what it can.
        std::vector<std::uint8_t> buffer(size, ' ');
        DWORD scratchType = 0;
        RegQueryValueExA(handle, valueName.c_str(), nullptr, &scratchType, buffer.empty() ? nullptr : buffer.data(),
                         &size);
        if (size < buffer.size())
            buffer.resize(size);
        result = RegValue{type, std::move(buffer)};
    }
    RegCloseKey(handle);
    return result;
}

} // namespace

std::optional<RegValue> QueryRegValueA(std::uint32_t root, const std::string& subKey, const std::string& valueName)
{
    // The game's 32-bit installer writes to the 32-bit view: that view first,
    // so that a 64-bit build finds what it wrote, then the 64-bit one, as the
    // Linux side reads a Wine prefix. Read access is all we need.
    const HKEY rootKey = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
    for (const REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY})
        if (auto value = QueryView(rootKey, subKey, valueName, view))
            return value;
    return std::nullopt;
}

} // namespace ovcache
