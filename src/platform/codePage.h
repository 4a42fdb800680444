#pragma once
// Text inside the program is single-byte, in the ANSI code page of the system
// the game runs on (1252 in Western Europe, 1251 in Russia, 1250 in Poland,
// ...), as the game writes its index and the Windows "A" functions hand text
// out. Only the platform layer (and the windows, for display) converts to and
// from Unicode, and only through these functions. The code page is 1252 until
// the start-up says otherwise.
#include <string>
#include <string_view>

namespace ovcache {

// Makes the ANSI code page the one named (a Windows code page number); false,
// and nothing changed, when this system cannot convert it. Set once at start,
// before any other thread runs.
bool UseAnsiCodePage(unsigned codePage);
unsigned AnsiCodePage();

// One byte as a Unicode code point. Bytes the code page leaves undefined map
// to the C1 controls of the same value, as Wine and Windows' own conversion do.
char32_t AnsiToCodePoint(unsigned char byte);

// The byte for a code point, or -1 when the code page cannot hold it.
int CodePointToAnsi(char32_t cp);

// True when every byte is below 0x80, which all these encodings share.
bool IsAscii(std::string_view text);

std::string AnsiToUtf8(std::string_view text);

// Characters the code page cannot hold, and malformed UTF-8, become "?".
std::string Utf8ToAnsi(std::string_view text);
std::string Utf16ToAnsi(std::u16string_view text);

// Malformed UTF-8 bytes become U+FFFD; a lone surrogate too.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// Windows compares file, key and value names without regard to case; this is
// the folding it applies to the code page's letters (Latin, Greek, Cyrillic).
std::string FoldCaseAnsi(std::string_view text);
void FoldCaseAnsiInPlace(std::string& text);

} // namespace ovcache
