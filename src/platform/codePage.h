#pragma once
// Text inside the program is single-byte Windows-1252, as the Windows "A"
// functions hand it out. Only the platform layer (and the window layer, for
// display) converts to and from Unicode, and only through these functions.
#include <string>
#include <string_view>

namespace ovcache {

// One Windows-1252 byte as a Unicode code point. The five bytes the code page
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the
// same value, as Wine and Windows' own conversion do.
char32_t Cp1252ToCodePoint(unsigned char byte);

// The Windows-1252 byte for a code point, or -1 when the code page cannot hold it.
int CodePointToCp1252(char32_t cp);

// True when every byte is below 0x80, which all these encodings share.
bool IsAscii(std::string_view text);

std::string Cp1252ToUtf8(std::string_view text);

// Characters Windows-1252 cannot hold, and malformed UTF-8, become "?".
std::string Utf8ToCp1252(std::string_view text);
std::string Utf16ToCp1252(std::u16string_view text);

// Malformed UTF-8 bytes become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);

} // namespace ovcache

namespace ovcache {

// Windows compares file, key and value names without regard to case; this is
// the folding it applies to Windows-1252 text (ASCII and the accented letters).
std::string FoldCaseCp1252(std::string_view text);
void FoldCaseCp1252InPlace(std::string& text);

} // namespace ovcache
