#pragma once
// Text inside the program is Unicode, in UTF-8: paths, file names, what the
// windows show. The game writes its index in the ANSI code page of the system
// it runs on (1252 in Western Europe, 1251 in Russia, 1250 in Poland, ...),
// and that code page is used there only, when the index's names are read.
// Windows hands out UTF-16, converted here too. The code page is 1252 until
// the start-up says otherwise.
#include <string>
#include <string_view>

namespace ovcache {

// Makes the ANSI code page the one named (a Windows code page number); false,
// and nothing changed, when this system cannot convert it. Set once at start,
// before any other thread runs.
bool UseAnsiCodePage(unsigned codePage);
unsigned AnsiCodePage();

// True when every byte is below 0x80, which all these encodings share.
bool IsAscii(std::string_view text);

// Each byte is one character, and no two bytes are the same one. Bytes the
// code page leaves undefined stand for the C1 controls of the same value, as
// Wine and Windows' own conversion have them.
std::string AnsiToUtf8(std::string_view text);

// Windows' names are UTF-16 that need not be well formed: a lone surrogate
// goes through UTF-8 as the three bytes of its own value and comes back as
// it was, so that every file name Windows lists can be reached again.
// Other malformed UTF-8 bytes become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// False for malformed UTF-8, such as text in a code page.
bool IsUtf8(std::string_view text);

// Windows compares file, key and value names without regard to case; this is
// the folding it applies to the letters of the scripts the code pages hold
// (Latin, Greek, Cyrillic), on UTF-8 text.
std::string FoldCase(std::string_view text);
void FoldCaseInPlace(std::string& text);
// Folded, and the Latin letters without their accents ("Été" as "ete"): how a
// player reads a name when looking for it in a list.
void FoldCaseAndAccentsInPlace(std::string& text);
std::string FoldCaseAndAccents(std::string_view text);

} // namespace ovcache
