#pragma once
// A game install inside a Wine-style prefix, with a cache of any size, for the
// demo, the benchmarks and anyone who wants to try the program.
#include <filesystem>
#include <string>

namespace ovcache::demo {

struct DemoOptions {
    long entries = 20;
    bool win64 = true;
    unsigned seed = 1;
    long present = 2;      // maps of the cache already in Maps
    bool mapsOnly = false; // every entry a map
};

struct DemoGame {
    std::filesystem::path prefix;
    std::filesystem::path game; // the install folder on disk
    std::string gameWindows;    // and as the game's registry value names it
};

// A name or a string as a Wine registry file writes it between quotes.
std::string EscapeRegString(const std::string& text);

DemoGame MakeDemoGame(const std::filesystem::path& prefix, const DemoOptions& options);

} // namespace ovcache::demo
