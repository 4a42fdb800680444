// A game under a folder Windows protects, run without elevation, keeps what
// it downloads in the user's VirtualStore copy of its install folder, and
// loads maps from the copy first. The program works where the game does.
#include "catalogue/commands.h"
#include "catalogue/journal.h"
#include "testSupport.h"

#ifdef _WIN32
#include <cstdlib>
#include <windows.h>
#endif

namespace ovcache {
namespace {

using test::ReadFile;
using test::WriteFile;
namespace fs = std::filesystem;

class VirtualStoreTest : public test::CommandTest {
protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        options.virtualStoreOf = [this](const std::string& folder) {
            return folder == prefix.GameWin() ? StoreWin() : std::string();
        };
        fs::create_directories(Store() / "Cache");
    }
    fs::path Store() const { return prefix.Drive() / "VirtualStore" / "Games" / "Orvane"; }
    std::string StoreWin() const { return prefix.DriveWin() + "\\VirtualStore\\Games\\Orvane"; }
    void WriteStoreIndex(const std::vector<std::string>& lines)
    {
        std::string text;
        for (const std::string& line : lines)
            text += line + "\r\n";
        WriteFile(Store() / "Cache" / "cache.ini", text);
    }
};

// The copy's index wins over the install folder's, as it does for the game;
// without either, files downloaded into the copy are the cache (whose missing
// index is then said, naming the copy).
TEST_F(VirtualStoreTest, theCacheListedIsTheOneTheGameReads)
{
    const auto storeOf = options.virtualStoreOf;
    const struct {
        bool storeIndex, installIndex, storeFile, storeOf;
        std::vector<std::string> listed; // none: the index is said to be missing from the copy
    } rows[] = {
        {true, true, true, true, {"Stored.kmx"}},
        {true, false, false, true, {"Stored.kmx"}},
        {false, true, true, true, {"Installed.kmx"}},
        {false, false, true, true, {}},
        {false, false, false, true, {""}},
        {true, true, true, false, {"Installed.kmx"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.storeIndex << row.installIndex << row.storeFile << row.storeOf);
        fs::remove_all(Store() / "Cache");
        fs::create_directories(Store() / "Cache");
        fs::remove(prefix.Cache() / "cache.ini");
        if (row.storeIndex)
            WriteStoreIndex({"[Cache]", "S=Stored.kmx"});
        if (row.installIndex)
            prefix.WriteIndex({"[Cache]", "I=Installed.kmx"});
        if (row.storeFile)
            WriteFile(Store() / "Cache" / "S.uxx", "stored");
        options.virtualStoreOf = row.storeOf ? storeOf : nullptr;
        const bool stored = row.listed.empty() || row.listed[0] == "Stored.kmx";
        const std::string cache = stored ? StoreWin() + "\\Cache" : prefix.CacheWin();
        const Opening opening = OpenGame(CreateFileSystemService(), "", {}, true, options);
        EXPECT_EQ(opening.result.ending, row.listed.empty() ? Ending::IndexMissing : Ending::Done);
        EXPECT_EQ(opening.game.Folders().installFolder, stored ? prefix.GameWin() : std::string());
        EXPECT_EQ(opening.result.cacheFolder, cache);
        if (row.listed.empty())
            continue;
        ASSERT_TRUE(opening.result.list);
        EXPECT_EQ(test::RowTexts(*opening.result.list),
                  row.listed[0].empty() ? std::vector<std::string>{} : row.listed);
        EXPECT_TRUE(opening.result.report.Empty());
    }
}

// Files go into the copy's folders, made where the install folder has them;
// the install folder is never written. A package never hides one of the
// game's own files, and a map hiding an installed one is asked about first.
TEST_F(VirtualStoreTest, moveAllPlacesInTheCopyAndLeavesTheInstallFolderAlone)
{
    WriteFile(prefix.Game() / "Maps" / "Old.kmx", "installed map");
    WriteFile(prefix.Game() / "System" / "Core.u", "the game's own");
    fs::remove_all(prefix.Game() / "Sounds");
    WriteStoreIndex({"[Cache]", "A=Arena.kmx", "B=Bot.u", "C=Core.u", "D=Old.kmx", "E=Tune.ogg", "F=Boom.uax"});
    for (const char* key : {"A", "B", "C", "D", "E", "F"})
        WriteFile(Store() / "Cache" / (std::string(key) + ".uxx"), std::string("cached ") + key);
    const auto outsideStore = [this] {
        auto files = prefix.Snapshot();
        std::erase_if(files, [&](const auto& file) { return file.first.starts_with(prefix.Rel(Store())); });
        return files;
    };
    const auto installed = outsideStore();
    Start();
    EXPECT_EQ(List(), (std::vector<std::string>{"Arena.kmx", "Old.kmx"}));

    answers.maps = {ExistingMap::Replace};
    last = MoveAllCached(*game, answers);
    EXPECT_EQ(answers.asked, std::vector<std::string>{prefix.GameWin() + "\\Maps\\Old.kmx"});
    for (const auto& [folder, name, key] : {std::tuple{"Maps", "Arena.kmx", "A"}, std::tuple{"Maps", "Old.kmx", "D"},
                                            std::tuple{"System", "Bot.u", "B"}, std::tuple{"Music", "Tune.ogg", "E"}}) {
        EXPECT_EQ(ReadFile(Store() / folder / name), std::string("cached ") + key) << name;
    }
    // Core.u stays cached; Boom.uax has no Sounds folder to go to.
    EXPECT_TRUE(fs::exists(Store() / "Cache" / "C.uxx"));
    EXPECT_TRUE(fs::exists(Store() / "Cache" / "F.uxx"));
    EXPECT_FALSE(fs::exists(Store() / "System" / "Core.u"));
    EXPECT_FALSE(fs::exists(Store() / "Sounds"));
    EXPECT_TRUE(test::Reports(last.report, Why::NameTaken, "Core.u"));
    EXPECT_TRUE(test::Reports(last.report, Why::NoFolder, "Boom.uax"));
    EXPECT_EQ(ReadFile(Store() / "Cache" / "cache.ini"), "[Cache]\r\nC=Core.u\r\nF=Boom.uax\r\n");

    EXPECT_EQ(outsideStore(), installed);
}

// A command that emptied the copy's cache and was cut short leaves the game
// reading the install folder's cache again; what it left in the copy is
// still put in order at the next start.
TEST_F(VirtualStoreTest, startRepairsTheCopyWhileListingTheInstallFolder)
{
    prefix.WriteIndex({"[Cache]", "I=Installed.kmx"});
    fs::create_directories(Store() / "Maps");
    WriteFile(Store() / "Maps" / "Old.kmx.replaced", "set aside");
    const FileIdentity aside = test::IdentityOf(Store() / "Maps" / "Old.kmx.replaced");
    WriteFile(Store() / "OrvaneCacheImporter.journal",
              JournalText({Intent::SetAside("Old.kmx", "Old.kmx.replaced", aside, {})}));
    Start();
    EXPECT_EQ(last.cacheFolder, prefix.CacheWin());
    EXPECT_EQ(ReadFile(Store() / "Maps" / "Old.kmx"), "set aside");
    EXPECT_FALSE(fs::exists(Store() / "Maps" / "Old.kmx.replaced"));
    EXPECT_FALSE(fs::exists(Store() / "OrvaneCacheImporter.journal"));
}

#ifdef _WIN32
// On the system itself, under Wine with UAC's switch (EnableLUA) set by
// scripts/test-windows.sh as OVCACHE_UAC says, and nothing else running: a
// game in Program Files (x86) whose downloads Windows kept in the user's
// VirtualStore is listed from there, and its maps are moved into the
// VirtualStore's Maps.
TEST(VirtualStoreOnWindows, aGameInProgramFilesIsSeenThroughTheUsersVirtualStore)
{
    const char* uac = std::getenv("OVCACHE_UAC");
    if (!uac)
        GTEST_SKIP() << "Run by scripts/test-windows.sh with UAC's switch set";
    const char* programs = std::getenv("ProgramFiles(x86)");
    const char* local = std::getenv("LOCALAPPDATA");
    ASSERT_TRUE(programs && local);
    const std::string name = "OrvaneTest" + std::to_string(GetCurrentProcessId());
    const std::string game = std::string(programs) + "\\" + name;
    const std::string store = std::string(local) + "\\VirtualStore" + game.substr(2);
    if (std::string(uac) == "off") {
        EXPECT_EQ(VirtualStoreFolder(game), "") << "UAC off: nothing is virtualized";
        return;
    }
    EXPECT_EQ(VirtualStoreFolder(game), store);
    EXPECT_EQ(VirtualStoreFolder("D:\\Games\\" + name), "");
    // The game set to run as administrator (its Compatibility tab) is not
    // virtualized.
    HKEY layers = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER,
                              "Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers", 0, nullptr, 0,
                              KEY_SET_VALUE, nullptr, &layers, nullptr),
              ERROR_SUCCESS);
    const std::string program = game + "\\System\\Orvane.exe", flags = "~ RUNASADMIN";
    RegSetValueExA(layers, program.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(flags.c_str()),
                   static_cast<DWORD>(flags.size() + 1));
    EXPECT_EQ(VirtualStoreFolder(game), "");
    RegDeleteValueA(layers, program.c_str());
    RegCloseKey(layers);

    for (const char* folder : {"Cache", "Maps"})
        fs::create_directories(fs::path(game) / folder);
    fs::create_directories(fs::path(store) / "Cache");
    WriteFile(fs::path(store) / "Cache" / "cache.ini", "[Cache]\r\nA=Arena.kmx\r\n");
    WriteFile(fs::path(store) / "Cache" / "A.uxx", "cached A");
    const Opening opening = OpenGame(CreateFileSystemService(), game);
    ASSERT_TRUE(opening.result.list);
    EXPECT_EQ(test::RowTexts(*opening.result.list), std::vector<std::string>{"Arena.kmx"});
    EXPECT_EQ(opening.result.cacheFolder, store + "\\Cache");
    test::Answers answers;
    (void)MoveAllCached(opening.game, answers);
    EXPECT_EQ(ReadFile(fs::path(store) / "Maps" / "Arena.kmx"), "cached A");
    EXPECT_TRUE(fs::is_empty(fs::path(game) / "Maps"));
    std::error_code ignored;
    fs::remove_all(game, ignored);
    fs::remove_all(store, ignored);
}
#endif

} // namespace
} // namespace ovcache
