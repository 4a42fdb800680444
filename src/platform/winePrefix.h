#pragma once
#include <filesystem>

namespace ovcache {

// The Wine prefix whose registry and drives stand in for Windows' own:
// the one the start-up chose (UseWinePrefix), else $WINEPREFIX when set,
// otherwise ~/.wine, as Wine itself chooses.
std::filesystem::path WinePrefix();

// The prefix the rest of the program works in from now on, in place of
// $WINEPREFIX or ~/.wine; an empty one for a game outside any prefix, whose
// drive Z: is the root of this system, as in Wine, and which has no registry.
// The prefix's ANSI code page becomes the one the index is read in.
void UseWinePrefix(const std::filesystem::path& prefix);

// The ANSI code page Wine recorded in a prefix (Nls\CodePage, ACP); 1252 when
// it says none.
unsigned WineAnsiCodePage(const std::filesystem::path& prefix);

} // namespace ovcache
