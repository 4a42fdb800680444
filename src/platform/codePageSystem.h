#pragma once
// How this system converts a code page, for codePage.cpp alone.
#include <array>

namespace ovcache {

// The code page's high half (bytes 0x80-0xFF) as this system converts it;
// undefined bytes stand for the C1 control or Latin-1 letter of their own
// value. False when the system does not know the code page.
bool ReadHighHalf(unsigned codePage, std::array<char32_t, 128>& high);

} // namespace ovcache
