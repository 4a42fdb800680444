#pragma once
#include <string>
#include <string_view>

namespace ovcache::win32 {

// The program's text is in the system's ANSI code page; the window's is UTF-16.
std::wstring Wide(std::string_view ansi);
std::string Narrow(std::wstring_view utf16);

} // namespace ovcache::win32
