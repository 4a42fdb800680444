#pragma once
#include <string>
#include <string_view>

namespace ovcache::win32 {

// The program's text is Windows-1252; the window's is UTF-16.
std::wstring Wide(std::string_view cp1252);
std::string Narrow(std::wstring_view utf16);

} // namespace ovcache::win32
