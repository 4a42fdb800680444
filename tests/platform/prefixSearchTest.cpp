// Where the Linux build looks for the game: fake home folders, each with
// the launchers' files laid out as those launchers lay them out.
#include "platform/prefixSearch.h"
#include "catalogue/commands.h"
#include "testSupport.h"

#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>

namespace ovcache {
namespace {

using test::WriteFile;
namespace fs = std::filesystem;

// A prefix, with or without the game's install value in its registry.
void MakePrefix(const fs::path& prefix, bool withGame = true, const std::string& folder = "C:\\\\Games\\\\Orvane")
{
    fs::create_directories(prefix / "dosdevices");
    WriteFile(prefix / "system.reg",
              "WINE REGISTRY Version 2\n#arch=win32\n\n"
              "[Software\\\\Zephiral Technology\\\\Installed Apps\\\\Orvane] 1\n" +
                  std::string(withGame ? "\"Folder\"=\"" + folder + "\"\n" : "\"Other\"=\"x\"\n"));
}

struct Row {
    const char* name;
    std::function<void(const fs::path& home)> lay;
    const char* winePrefix;                                    // below home; nullptr when unset
    std::vector<std::pair<std::string, std::string>> expected; // prefix below home, source
    const char* steamCompat = nullptr;                         // $STEAM_COMPAT_DATA_PATH below home
};

TEST(PrefixSearch, findsTheGameWhereverLinuxPlayersKeepIt)
{
    OVCACHE_WINE_STORE_ONLY();
    const std::vector<Row> rows = {
        {"nowhere", [](const fs::path&) {}, nullptr, {}},
        {"wine", [](const fs::path& h) { MakePrefix(h / ".wine"); }, nullptr, {{".wine", "Wine"}}},
        {"second Steam library",
         [](const fs::path& h) {
             WriteFile((fs::create_directories(h / ".steam/steam/steamapps"),
                        h / ".steam/steam/steamapps/libraryfolders.vdf"),
                       "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"" + (h / ".steam/steam").string() +
                           "\"\n\t}\n\t\"1\"\n\t{\n\t\t\"path\"\t\t\"" + (h / "Second Lib").string() +
                           "\"\n\t\t\"apps\" { \"4711\" \"123\" }\n\t}\n}\n");
             MakePrefix(h / "Second Lib/steamapps/compatdata/4711/pfx");
         },
         nullptr,
         {{"Second Lib/steamapps/compatdata/4711/pfx", "Steam"}}},
        {"Flatpak Steam",
         [](const fs::path& h) {
             MakePrefix(h / ".var/app/com.valvesoftware.Steam/.local/share/Steam/steamapps/compatdata/9/pfx");
         },
         nullptr,
         {{".var/app/com.valvesoftware.Steam/.local/share/Steam/steamapps/compatdata/9/pfx", "Steam"}}},
        {"Lutris by its YAML and by ~/Games",
         [](const fs::path& h) {
             WriteFile((fs::create_directories(h / ".config/lutris/games"), h / ".config/lutris/games/orvane-1.yml"),
                       "game:\n  exe: x.exe\n  prefix: '~/Wine Games/orvane'\nsystem: {}\n");
             MakePrefix(h / "Wine Games/orvane");
             MakePrefix(h / "Games/orvane-goty");
         },
         nullptr,
         {{"Wine Games/orvane", "Lutris"}, {"Games/orvane-goty", "Lutris"}}},
        {"launcher files far larger than a launcher writes are passed over unread",
         [](const fs::path& h) {
             fs::create_directories(h / ".config/lutris/games");
             for (int k = 0; k < 8; ++k) {
                 const fs::path file = h / ".config/lutris/games" / ("huge-" + std::to_string(k) + ".yml");
                 WriteFile(file, "game:\n  prefix: " + (h / "huge").string() + "\n#");
                 fs::resize_file(file, 15u << 20); // sparse: nothing written
             }
             MakePrefix(h / "huge");
             MakePrefix(h / "Games/orvane-goty");
         },
         nullptr,
         {{"Games/orvane-goty", "Lutris"}}},
        {"Bottles, both layouts",
         [](const fs::path& h) {
             MakePrefix(h / ".local/share/bottles/bottles/Orvane");
             MakePrefix(h / ".var/app/com.usebottles.bottles/data/bottles/bottles/Games");
         },
         nullptr,
         {{".local/share/bottles/bottles/Orvane", "Bottles"},
          {".var/app/com.usebottles.bottles/data/bottles/bottles/Games", "Bottles"}}},
        {"Heroic by its JSON and its prefixes",
         [](const fs::path& h) {
             WriteFile(
                 (fs::create_directories(h / ".config/heroic/GamesConfig"), h / ".config/heroic/GamesConfig/abc.json"),
                 "{\"abc\": {\"winePrefix\": \"" + (h / "Heroic \\\"One\\\"").string() + "\", \"x\": 1}}");
             MakePrefix(h / "Heroic \"One\"");
             MakePrefix(h / "Games/Heroic/Prefixes/default/Orvane");
         },
         nullptr,
         {{"Heroic \"One\"", "Heroic"}, {"Games/Heroic/Prefixes/default/Orvane", "Heroic"}}},
        {"two hold it, one lacks the value, malformed files are passed over",
         [](const fs::path& h) {
             MakePrefix(h / ".wine");
             MakePrefix(h / ".local/share/bottles/bottles/Empty", false);
             MakePrefix(h / ".local/share/bottles/bottles/Orvane", true, "D:\\\\Orvane");
             WriteFile((fs::create_directories(h / ".steam/steam/steamapps"),
                        h / ".steam/steam/steamapps/libraryfolders.vdf"),
                       "\"libraryfolders\" { \"1\" \"unterminated");
             fs::create_directories(h / "Games/broken/dosdevices");
             WriteFile(h / "Games/broken/system.reg",
                       "WINE REGISTRY Version 2\n[Software\\\\Zephiral\n\"Folder\"=\"C:\\\\");
         },
         nullptr,
         {{".wine", "Wine"}, {".local/share/bottles/bottles/Orvane", "Bottles"}}},
        {"where Flathub and Snap keep Steam, Lutris and Heroic; one library listed many times",
         [](const fs::path& h) {
             MakePrefix(h / ".var/app/com.valvesoftware.Steam/data/Steam/steamapps/compatdata/1/pfx");
             MakePrefix(h / "snap/steam/common/.local/share/Steam/steamapps/compatdata/2/pfx");
             std::string vdf = "\"libraryfolders\" {";
             for (int k = 0; k < 2000; ++k)
                 vdf += " \"" + std::to_string(k) + "\" \"" + (h / "Lib").string() + "\"";
             WriteFile(
                 (fs::create_directories(h / ".steam/root/steamapps"), h / ".steam/root/steamapps/libraryfolders.vdf"),
                 vdf + " }");
             MakePrefix(h / "Lib/steamapps/compatdata/3/pfx");
             WriteFile((fs::create_directories(h / ".var/app/net.lutris.Lutris/config/lutris/games"),
                        h / ".var/app/net.lutris.Lutris/config/lutris/games/o.yml"),
                       "game:\n  prefix: " + (h / "lutris-o").string() + "\n");
             MakePrefix(h / "lutris-o");
             WriteFile((fs::create_directories(h / ".var/app/com.heroicgameslauncher.hgl/config/heroic/GamesConfig"),
                        h / ".var/app/com.heroicgameslauncher.hgl/config/heroic/GamesConfig/o.json"),
                       "{\"o\": {\"winePrefix\": \"" + (h / "heroic-o").string() + "\"}}");
             MakePrefix(h / "heroic-o");
         },
         nullptr,
         {{"Lib/steamapps/compatdata/3/pfx", "Steam"},
          {".var/app/com.valvesoftware.Steam/data/Steam/steamapps/compatdata/1/pfx", "Steam"},
          {"snap/steam/common/.local/share/Steam/steamapps/compatdata/2/pfx", "Steam"},
          {"lutris-o", "Lutris"},
          {"heroic-o", "Heroic"}}},
        {"WINEPREFIX naming compatdata/<id> decides alone",
         [](const fs::path& h) {
             MakePrefix(h / ".wine");
             MakePrefix(h / "steamapps/compatdata/77/pfx");
         },
         "steamapps/compatdata/77",
         {{"steamapps/compatdata/77/pfx", "WINEPREFIX"}}},
        {"WINEPREFIX without the value finds nothing",
         [](const fs::path& h) {
             MakePrefix(h / ".wine");
             MakePrefix(h / "p", false);
         },
         "p",
         {}},
        {"Steam's launch of the game names its prefix alone",
         [](const fs::path& h) {
             MakePrefix(h / ".wine");
             MakePrefix(h / "steamapps/compatdata/88/pfx");
         },
         nullptr,
         {{"steamapps/compatdata/88/pfx", "Steam"}},
         "steamapps/compatdata/88"},
        {"WINEPREFIX before Steam's launch",
         [](const fs::path& h) {
             MakePrefix(h / "p");
             MakePrefix(h / "steamapps/compatdata/88/pfx");
         },
         "p",
         {{"p", "WINEPREFIX"}},
         "steamapps/compatdata/88"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::TempPrefix scratch;
        const fs::path home = scratch.Root() / "home";
        fs::create_directories(home);
        row.lay(home);
        PrefixEnvironment env{home, std::nullopt, home / ".local/share", home / ".config", {}, std::nullopt};
        env.budget = std::chrono::seconds(60);
        if (row.winePrefix)
            env.winePrefix = home / row.winePrefix;
        if (row.steamCompat)
            env.steamCompatData = home / row.steamCompat;
        const PrefixSearch search = FindGamePrefixes(kGameKey, kGameValue, env);
        std::vector<std::pair<std::string, std::string>> got;
        for (const GamePrefix& found : search.found)
            got.emplace_back(fs::relative(found.prefix, home).generic_string(), found.source);
        EXPECT_EQ(got, row.expected);
        EXPECT_EQ(search.fromEnvironment, row.winePrefix != nullptr || row.steamCompat != nullptr);
        EXPECT_FALSE(search.looked.empty());
        // With no time at all, no candidate is read, and each is said.
        env.budget = {};
        const PrefixSearch rushed = FindGamePrefixes(kGameKey, kGameValue, env);
        EXPECT_TRUE(rushed.found.empty());
        EXPECT_FALSE(rushed.skipped.empty());
        EXPECT_GE(rushed.skipped.size(), row.expected.size());
    }
}

TEST(PrefixSearch, steamLibraryFoldersReadBothLayoutsWithTheirEscapes)
{
    EXPECT_EQ(
        SteamLibraryPaths("// old\n\"LibraryFolders\" { \"TimeNextStatsReport\" \"1\" \"1\" \"D:\\\\\\\\Games\" }"),
        (std::vector<std::string>{"D:\\\\Games"}));
    EXPECT_EQ(SteamLibraryPaths("\"libraryfolders\" { \"0\" { \"path\" \"/a \\\"b\\\"\" \"label\" \"\" } }"),
              (std::vector<std::string>{"/a \"b\""}));
    EXPECT_EQ(SteamLibraryPaths("\"libraryfolders\" { \"0\" { \"path\" \"/a\" }"), std::nullopt);
    EXPECT_EQ(SteamLibraryPaths("} {"), std::nullopt);
    // Nested far deeper than Steam nests: refused, not followed down.
    std::string deep;
    for (int k = 0; k < 60000; ++k)
        deep += "\"k\" { ";
    EXPECT_EQ(SteamLibraryPaths(deep), std::nullopt);
}

// In a Flatpak sandbox the XDG variables point into the sandbox; the search
// looks in the host's usual folders instead.
TEST(PrefixSearch, insideFlatpakTheHostsFoldersAreSearched)
{
    const auto keep = [](const char* name) {
        const char* value = std::getenv(name);
        return std::pair<std::string, bool>(value ? value : "", value != nullptr);
    };
    const auto saved = {std::pair{"FLATPAK_ID", keep("FLATPAK_ID")}, std::pair{"XDG_DATA_HOME", keep("XDG_DATA_HOME")},
                        std::pair{"HOME", keep("HOME")}};
    ::setenv("HOME", "/home/p", 1);
    ::setenv("XDG_DATA_HOME", "/home/p/.var/app/org.orvane.CacheImporter/data", 1);
    ::unsetenv("FLATPAK_ID");
    EXPECT_EQ(PrefixEnvironment::Current().dataHome, "/home/p/.var/app/org.orvane.CacheImporter/data");
    ::setenv("FLATPAK_ID", "org.orvane.CacheImporter", 1);
    EXPECT_EQ(PrefixEnvironment::Current().dataHome, "/home/p/.local/share");
    for (const auto& [name, value] : saved)
        if (value.second)
            ::setenv(name, value.first.c_str(), 1);
        else
            ::unsetenv(name);
}

// Heroic's JSON by its games' objects, escapes and all; Lutris's YAML by its
// "game" map; anything else, or anything nested past reason, gives nothing.
TEST(PrefixSearch, launcherFilesAreReadByTheirStructure)
{
    EXPECT_EQ(HeroicWinePrefixes(R"({"a": {"winePrefix": "/p/caf\u00e9"}, "version": "v0", "explicit": true})"),
              (std::vector<std::string>{"/p/caf\xC3\xA9"}));
    EXPECT_TRUE(HeroicWinePrefixes(R"({"a": {"deeper": {"winePrefix": "/no"}}, "winePrefix": "/no"})").empty());
    EXPECT_TRUE(HeroicWinePrefixes(std::string(100000, '[')).empty());
    EXPECT_EQ(LutrisPrefixes("game:\n  exe: x.exe\n  prefix: \"/p/o\"\nsystem: {}\n"),
              (std::vector<std::string>{"/p/o"}));
    EXPECT_TRUE(LutrisPrefixes("system:\n  prefix: /no\n").empty());
    EXPECT_TRUE(LutrisPrefixes(std::string(100000, '[')).empty());
    EXPECT_TRUE(LutrisPrefixes("game: [unclosed").empty());
}

// A folder the player names: a prefix whose registry names the game (not
// for --game), the game's own folder on a prefix's drive C (whatever the
// registry says), or neither, with the reason; --game refuses a link, and
// takes the game's folder outside any prefix too.
TEST(PrefixSearch, aNamedFolderIsThePrefixOrTheGameInIt)
{
    OVCACHE_WINE_STORE_ONLY();
    test::TempPrefix scratch;
    const fs::path home = scratch.Root() / "home";
    MakePrefix(home / "with");
    MakePrefix(home / "steam/77/pfx", true, "D:\\\\Orvane");
    MakePrefix(home / "without", false);
    fs::create_directories(home / "without/drive_c/Spiele/Orvane Café/Cache");
    fs::create_directories(home / "without/drive_c/Old/System");
    fs::create_directories(home / "elsewhere/Cache");
    fs::create_directory_symlink(home / "without/drive_c/Spiele/Orvane Café", home / "without/drive_c/Link");
    test::WriteFile(home / "a-file", "");
    const auto at = [](const fs::path& folder, NamedFolder kind) {
        const NamedGame named = GameAt(folder.string(), kind, kGameKey, kGameValue);
        return named.game ? named.game->prefix.filename().string() + " " + named.game->gameFolder : named.reason;
    };
    const std::string cafe = "without C:\\Spiele\\Orvane Caf\xC3\xA9";
    const std::string neither = "holds neither the game nor a Wine prefix where it is installed";
    const std::string notGame = "is not the game's folder (it has no System or Cache folder)";
    // outside any prefix, the game is where drive Z: reaches it
    std::string outside = " Z:" + (home / "elsewhere").string();
    std::replace(outside.begin(), outside.end(), '/', '\\');
    const struct {
        fs::path folder;
        std::string asPrefix, asGame;
    } rows[] = {
        {home / "with", "with C:\\Games\\Orvane", notGame},
        {home / "steam/77", "pfx D:\\Orvane", notGame},
        {home / "without", neither, notGame},
        {home / "without/drive_c/Spiele/Orvane Café", cafe, cafe},
        {home / "without/drive_c/Old", "without C:\\Old", "without C:\\Old"},
        {home / "without/drive_c/Link", cafe, "is a link; name the folder it leads to"},
        {home / "elsewhere", neither, outside},
        {home / "nowhere", "does not exist", "does not exist"},
        {home / "a-file", "is not a folder", "is not a folder"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(at(row.folder, NamedFolder::GameOrPrefix), row.asPrefix) << row.folder;
        EXPECT_EQ(at(row.folder, NamedFolder::Game), row.asGame) << row.folder;
    }
}

// A copied prefix whose drive C still leads back to the original: the game
// named in the copy is the one worked on, reached through the copy's own
// drives (Z: is the root, as Wine makes it), never the original's.
TEST(PrefixSearch, aCopiedPrefixIsWorkedOnWhereItWasNamed)
{
    OVCACHE_WINE_STORE_ONLY();
    test::TempPrefix scratch;
    const fs::path original = scratch.Root() / "original", copy = scratch.Root() / "copy";
    MakePrefix(original);
    MakePrefix(copy);
    fs::create_directories(original / "drive_c/Games/Orvane/Cache");
    fs::create_directories(copy / "drive_c/Games/Orvane/Cache");
    fs::create_directory_symlink(original / "drive_c", copy / "dosdevices/c:");
    fs::create_directory_symlink("/", copy / "dosdevices/z:");
    std::string windows = "Z:";
    for (const fs::path& part : fs::canonical(copy).relative_path() / "drive_c/Games/Orvane")
        windows += "\\" + part.string();
    for (const fs::path& named : {copy / "drive_c/Games/Orvane", copy}) {
        const NamedGame game = GameAt(named.string(), NamedFolder::GameOrPrefix, kGameKey, kGameValue);
        ASSERT_TRUE(game.game) << named << ": " << game.reason;
        EXPECT_EQ(game.game->prefix, fs::canonical(copy));
        EXPECT_EQ(game.game->gameFolder, windows) << named;
    }
    // Without a drive that reaches the copy, it is refused rather than
    // taken for the original.
    fs::remove(copy / "dosdevices/z:");
    EXPECT_FALSE(GameAt((copy / "drive_c/Games/Orvane").string(), NamedFolder::Game, kGameKey, kGameValue).game);
}

} // namespace
} // namespace ovcache
