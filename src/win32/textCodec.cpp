#include "win32/textCodec.h"

#include "platform/codePage.h"

namespace ovcache::win32 {

std::wstring Wide(std::string_view cp1252)
{
    const std::u16string text = Utf8ToUtf16(Cp1252ToUtf8(cp1252));
    return {text.begin(), text.end()};
}

std::string Narrow(std::wstring_view utf16)
{
    return Utf16ToCp1252(std::u16string(utf16.begin(), utf16.end()));
}

} // namespace ovcache::win32
