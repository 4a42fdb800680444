#include "win32/textCodec.h"

#include "platform/codePage.h"

namespace ovcache::win32 {

std::wstring Wide(std::string_view text)
{
    const std::u16string units = Utf8ToUtf16(text);
    return {units.begin(), units.end()};
}

std::string Narrow(std::wstring_view utf16)
{
    return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(utf16.data()), utf16.size()));
}

} // namespace ovcache::win32
