#pragma once
#include <filesystem>

namespace ovcache {

// The Wine prefix whose registry and drives stand in for Windows' own:
// the one the start-up chose (UseWinePrefix), else $WINEPREFIX when set,
// otherwise ~/.wine, as Wine itself chooses.
std::filesystem::path WinePrefix();

} // namespace ovcache
