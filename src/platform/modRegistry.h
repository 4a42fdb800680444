#pragma once
#include <cstdint>
#include <string>

namespace ovcache {

// A REG_SZ value's text, cut at its first NUL; strDefault when the key or the
// value is missing or the value has any other type. Never fails.
std::string ReadRegString(std::uint32_t hKey, const std::string& strSubKey, const std::string& strValueName,
                          const std::string& strDefault);

} // namespace ovcache
