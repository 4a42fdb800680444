#include "platform/codePageSystem.h"

#include <iconv.h>
#include <string>

namespace ovcache {

bool ReadHighHalf(unsigned codePage, std::array<char32_t, 128>& high)
{
    const std::string name = "CP" + std::to_string(codePage);
    const iconv_t convert = ::iconv_open("UTF-32LE", name.c_str());
    if (convert == reinterpret_cast<iconv_t>(-1)) // NOLINT(performance-no-int-to-ptr): iconv_open's failure value
        return false;
    for (unsigned b = 0x80; b < 0x100; ++b) {
        char in = static_cast<char>(b);
        unsigned char out[4] = {};
        char* from = &in;
        char* to = reinterpret_cast<char*>(out);
        std::size_t inLeft = 1, outLeft = 4;
        ::iconv(convert, nullptr, nullptr, nullptr, nullptr);
        if (::iconv(convert, &from, &inLeft, &to, &outLeft) == static_cast<std::size_t>(-1) || outLeft != 0)
            high[b - 0x80] = b;
        else
            high[b - 0x80] = out[0] | (out[1] << 8) | (out[2] << 16) | (static_cast<char32_t>(out[3]) << 24);
    }
    ::iconv_close(convert);
    return true;
}

} // namespace ovcache
