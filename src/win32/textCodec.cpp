#include "win32/textCodec.h"

#include <windows.h>

namespace ovcache::win32 {

// The program keeps text as the game writes it, in the system's ANSI code
// page (1252 in Western Europe, 1251 in Russia, 1250 in Poland...), which is
// also what the system's "A" functions take; the window's text is UTF-16.
std::wstring Wide(std::string_view ansi)
{
    if (ansi.empty())
        return {};
    const int size = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), size);
    return wide;
}

std::string Narrow(std::wstring_view utf16)
{
    if (utf16.empty())
        return {};
    const int size =
        WideCharToMultiByte(CP_ACP, 0, utf16.data(), static_cast<int>(utf16.size()), nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, utf16.data(), static_cast<int>(utf16.size()), ansi.data(), size, nullptr, nullptr);
    return ansi;
}

} // namespace ovcache::win32
