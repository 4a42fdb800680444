#pragma once
#include <string>
#include <string_view>

namespace ovcache::win32 {

// The program's text is UTF-8; the window's is UTF-16.
std::wstring Wide(std::string_view text);
std::string Narrow(std::wstring_view utf16);

} // namespace ovcache::win32
