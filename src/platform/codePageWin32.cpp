#include "platform/codePageSystem.h"

#include <windows.h>

namespace ovcache {

bool ReadHighHalf(unsigned codePage, std::array<char32_t, 128>& high)
{
    for (unsigned b = 0x80; b < 0x100; ++b) {
        const char byte = static_cast<char>(b);
        wchar_t wide = 0;
        if (MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, &byte, 1, &wide, 1) != 1)
            wide = static_cast<wchar_t>(b);
        high[b - 0x80] = wide;
    }
    return true;
}

} // namespace ovcache
