#pragma once
#include <filesystem>

namespace ovcache {

// The Wine prefix whose registry and drives stand in for Windows' own:
// the one the start-up chose (UseWinePrefix), else $WINEPREFIX when set,
// otherwise ~/.wine, as Wine itself chooses.
std::filesystem::path WinePrefix();

// The prefix the rest of the program works in from now on, in place of
// $WINEPREFIX or ~/.wine.
void UseWinePrefix(const std::filesystem::path& prefix);

} // namespace ovcache
