// Builds a game install inside a Wine-style prefix: the registry value that
// names the install folder, the C: drive link, the game's folders and a cache
// of the given number of entries.
#include "demoGame.h"

#include <algorithm>
#include <fstream>
#include <random>
#include <set>

namespace ovcache::demo {

namespace fs = std::filesystem;

namespace {

const char* const kWords[] = {"Arena",    "Bastion", "Canyon",    "Deck",     "Eclipse",   "Foundry",
                              "Gauntlet", "Harbor",  "Ironworks", "Junction", "Keep",      "Lagoon",
                              "Monolith", "Nexus",   "Outpost",   "Pyramid",  "Quarry",    "Reactor",
                              "Spire",    "Temple",  "Underpass", "Vault",    "Warehouse", "Zenith"};
const char* const kMapPrefixes[] = {"DM-", "CTF-", "DOM-", "AS-"};

struct Kind {
    const char* suffix;
    std::uint64_t minBytes, maxBytes;
    int share; // in hundredths of all entries
};
// About a third maps; the rest code, music, sound and texture packages and a
// few others that no rule places.
const Kind kKinds[] = {
    {".kmx", 300'000, 3'000'000, 34}, {".u", 60'000, 1'200'000, 20},    {".ogg", 1'000'000, 5'000'000, 14},
    {".uax", 100'000, 2'000'000, 15}, {".utx", 500'000, 4'000'000, 12}, {".int", 2'000, 20'000, 3},
    {".usx", 200'000, 1'500'000, 2},
};

void MakeFile(const fs::path& path, std::uint64_t size, const std::string& tag)
{
    {
        std::ofstream out(path, std::ios::binary);
        out << "OVDEMO " << tag << '\n';
    }
    // The rest stays sparse, so a large cache costs little disk.
    fs::resize_file(path, size);
}

} // namespace

std::string EscapeRegString(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out;
}

DemoGame MakeDemoGame(const fs::path& prefixIn, const DemoOptions& options)
{
    const fs::path prefix = fs::absolute(prefixIn);
    const bool win64 = options.win64;
    const std::string programFiles = win64 ? "Program Files (x86)" : "Program Files";
    const std::string gameWindows = "C:\\" + programFiles + "\\Orvane";
    const fs::path game = prefix / "drive_c" / programFiles / "Orvane";

    fs::create_directories(prefix / "dosdevices");
    for (const char* folder : {"Cache", "Maps", "System", "Music", "Sounds"})
        fs::create_directories(game / folder);
    const fs::path drive = prefix / "dosdevices" / "c:";
    std::error_code ignored;
    fs::remove(drive, ignored);
    fs::create_directory_symlink("../drive_c", drive);

    {
        std::ofstream reg(prefix / "system.reg", std::ios::binary);
        reg << "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=" << (win64 ? "win64" : "win32")
            << "\n\n";
        reg << "[Software\\\\" << (win64 ? "Wow6432Node\\\\" : "")
            << "Zephiral Technology\\\\Installed Apps\\\\Orvane] 1700000000\n#time=1da1b2c3d4e5f60\n";
        reg << R"("Folder"=")" << EscapeRegString(gameWindows) << "\"\n";
    }

    // The game's own files, as an install has them.
    MakeFile(game / "System" / "Core.u", 400'000, "Core.u");
    MakeFile(game / "System" / "Engine.u", 900'000, "Engine.u");
    MakeFile(game / "Music" / "Title.ogg", 2'000'000, "Title.ogg");

    std::mt19937 random(options.seed);
    auto pick = [&](std::uint64_t low, std::uint64_t high) {
        return std::uniform_int_distribution<std::uint64_t>(low, high)(random);
    };
    std::set<std::string> names, keys;
    std::string index = "[Cache]\r\n";
    long maps = 0;
    for (long n = 0; n < options.entries; ++n) {
        // Spread the kinds evenly so that small caches have one of each.
        int slot = static_cast<int>((n * 100 / std::max(options.entries, 1L) + n * 37) % 100);
        if (options.mapsOnly)
            slot = 0;
        const Kind* kind = &kKinds[0];
        for (const Kind& candidate : kKinds) {
            if (slot < candidate.share) {
                kind = &candidate;
                break;
            }
            slot -= candidate.share;
        }
        std::string base = std::string(kWords[pick(0, std::size(kWords) - 1)]) + kWords[pick(0, std::size(kWords) - 1)];
        std::string name = std::string(kind->suffix) == ".kmx"
                               ? kMapPrefixes[pick(0, std::size(kMapPrefixes) - 1)] + base + ".kmx"
                               : base + kind->suffix;
        const std::string stem = name.substr(0, name.find('.'));
        for (int copy = 2; names.count(name); ++copy)
            name = stem + std::to_string(copy) + kind->suffix;
        names.insert(name);
        std::string key;
        do {
            char hex[33];
            for (int d = 0; d < 32; ++d)
                hex[d] = "0123456789ABCDEF"[pick(0, 15)];
            hex[32] = 0;
            key = hex;
        } while (!keys.insert(key).second);

        const std::uint64_t size = pick(kind->minBytes, kind->maxBytes);
        MakeFile(game / "Cache" / (key + ".uxx"), size, name);
        index += key;
        index += '=';
        index += name;
        index += "\r\n";
        if (std::string(kind->suffix) == ".kmx" && maps++ < options.present)
            MakeFile(game / "Maps" / name, size / 2, "older " + name);
    }
    std::ofstream(game / "Cache" / "cache.ini", std::ios::binary) << index;

    return DemoGame{prefix, game, gameWindows};
}

} // namespace ovcache::demo
