#include "catalogue/commands.h"
#include "platform/codePage.h"
#include "platform/winePrefix.h"
#include "testSupport.h"

#include <gtest/gtest.h>

namespace ovcache {
namespace {

using test::ReadFile;
using test::TempPrefix;
using test::WriteFile;
using Lines = std::vector<std::string>;
namespace fs = std::filesystem;

class MoveTest : public test::CommandTest {
protected:
    void Move(const std::string& selected, std::deque<ExistingMap> maps = {})
    {
        answers.maps = std::move(maps);
        last = MoveSelectedMap(*game, selected, answers);
    }
    std::string Maps(const std::string& name) const { return GameFile("Maps/" + name); }
};

TEST_F(MoveTest, nothingSelectedAsksForAChoiceAndChangesNothing)
{
    prefix.WriteIndex({"[Cache]", "A=One.kmx", "B=Bot.u"});
    prefix.AddCached("A");
    prefix.AddCached("B");
    Start();
    const auto before = prefix.Snapshot();
    Move("");
    EXPECT_EQ(last.ending, Ending::NothingSelected);
    EXPECT_TRUE(answers.asked.empty());
    EXPECT_EQ(prefix.Snapshot(), before);
}

TEST_F(MoveTest, movesTheMapAndEveryPackageAndRewritesTheIndex)
{
    prefix.WriteIndex(
        {"[Cache]", "A=DM-One.kmx", "B=Bot.u", "C=Song.ogg", "D=Boom.uax", "E=Rock.utx", "F=DM-Two.kmx", "G=Odd.U"},
        "\n");
    for (const char* key : {"A", "B", "C", "D", "E", "F", "G"})
        prefix.AddCached(key);
    Start();
    Move("DM-One.kmx");

    EXPECT_TRUE(answers.asked.empty());
    EXPECT_TRUE(last.report.Empty());
    EXPECT_EQ(Maps("DM-One.kmx"), "cached A");
    EXPECT_EQ(ReadFile(prefix.Game() / "System" / "Bot.u"), "cached B");
    EXPECT_EQ(ReadFile(prefix.Game() / "Music" / "Song.ogg"), "cached C");
    EXPECT_EQ(ReadFile(prefix.Game() / "Sounds" / "Boom.uax"), "cached D");
    EXPECT_TRUE(InCache("E") && InCache("F") && InCache("G"));
    EXPECT_EQ(prefix.ReadIndex(), "[Cache]\r\nE=Rock.utx\r\nF=DM-Two.kmx\r\nG=Odd.U\r\n");
    EXPECT_FALSE(fs::exists(prefix.Cache() / "cache.bak"));
    EXPECT_EQ(List(), Lines{"DM-Two.kmx"});
    EXPECT_EQ(Files(), 3u);
    ASSERT_EQ(last.done.size(), 4u);
    EXPECT_EQ(last.done[0].name, "DM-One.kmx");
    EXPECT_EQ(last.done[0].folder, "Maps");
    EXPECT_EQ(last.done[3].folder, "Sounds");
}

TEST_F(MoveTest, secondEntryOfTheSameNameAsksAndReplacesOnYes)
{
    prefix.WriteIndex({"[Cache]", "A=Arena.kmx", "B=Arena.kmx"});
    prefix.AddCached("A");
    prefix.AddCached("B");
    Start();
    Move("Arena.kmx", {ExistingMap::Replace});

    EXPECT_EQ(answers.asked, Lines{prefix.GameWin() + "\\Maps\\Arena.kmx"});
    EXPECT_EQ(Maps("Arena.kmx"), "cached B");
    EXPECT_EQ(std::distance(fs::directory_iterator(prefix.Game() / "Maps"), fs::directory_iterator()), 1);
    EXPECT_EQ(prefix.ReadIndex(), "[Cache]\r\n");
    EXPECT_TRUE(List().empty());
    ASSERT_EQ(last.done.size(), 2u);
    EXPECT_TRUE(last.done[1].replaced);
}

TEST_F(MoveTest, answeringNoDiscardsTheCachedMapButStillMovesPackages)
{
    WriteFile(prefix.Game() / "Maps" / "Arena.kmx", "mine");
    prefix.WriteIndex({"[Cache]", "A=Arena.kmx", "B=Bot.u"});
    prefix.AddCached("A");
    prefix.AddCached("B");
    Start();
    Move("Arena.kmx", {ExistingMap::Discard});

    EXPECT_EQ(answers.asked.size(), 1u);
    ASSERT_EQ(last.done.size(), 2u);
    EXPECT_EQ(last.done[0].folder, ""); // discarded
    EXPECT_EQ(Maps("Arena.kmx"), "mine");
    EXPECT_FALSE(InCache("A"));
    EXPECT_EQ(ReadFile(prefix.Game() / "System" / "Bot.u"), "cached B");
    EXPECT_EQ(prefix.ReadIndex(), "[Cache]\r\n");
}

TEST_F(MoveTest, yesReplacesAReadOnlyMap)
{
    WriteFile(prefix.Game() / "Maps" / "Arena.kmx", "mine");
    fs::permissions(prefix.Game() / "Maps" / "Arena.kmx", fs::perms::owner_read);
    prefix.WriteIndex({"[Cache]", "A=Arena.kmx"});
    prefix.AddCached("A");
    Start();
    Move("Arena.kmx", {ExistingMap::Replace});
    EXPECT_EQ(Maps("Arena.kmx"), "cached A");
    EXPECT_EQ(prefix.ReadIndex(), "[Cache]\r\n");
    EXPECT_EQ(answers.asked.size(), 1u);
    EXPECT_TRUE(last.report.Empty());
}

// After a command that stopped part-way the index can name files that have
// gone: the player's map stays, the line goes, and Move says so once.
TEST_F(MoveTest, selectedMapWhoseCachedFileIsGoneSaysSoAndDropsItsLines)
{
    WriteFile(prefix.Game() / "Maps" / "Arena.kmx", "mine");
    prefix.WriteIndex({"[Cache]", "A=Arena.kmx", "Z=Arena.kmx", "G=Gone.u", "T=Gone.utx", "=Empty.u"});
    Start();
    Move("Arena.kmx", {ExistingMap::Replace});
    EXPECT_EQ(Maps("Arena.kmx"), "mine");
    EXPECT_EQ(prefix.ReadIndex(), "[Cache]\r\n=Empty.u\r\n");
    EXPECT_EQ(last.selected, SelectedFate::Gone);
    EXPECT_TRUE(answers.asked.empty());
    EXPECT_TRUE(last.report.Empty()); // said plainly, not as a failure
    EXPECT_TRUE(List().empty());
}

// Lines that share a key name one cached file: when it goes by one of them,
// the others go with it, unreported, whichever comes first.
TEST_F(MoveTest, linesSharingAKeyGoWithTheFileMovedByOne)
{
    prefix.WriteIndex({"[Cache]", "L1=dupA.kmx", "L1=dupB.u", "L2=dupC.u", "L2=dupD.kmx", "K=Keep.kmx"});
    prefix.AddCached("L1");
    prefix.AddCached("L2");
    prefix.AddCached("K");
    Start();
    Move("dupA.kmx");
    EXPECT_EQ(Maps("dupA.kmx"), "cached L1");
    EXPECT_EQ(GameFile("System/dupC.u"), "cached L2");
    EXPECT_EQ(prefix.ReadIndex(), "[Cache]\r\nK=Keep.kmx\r\n");
    EXPECT_TRUE(last.report.Empty());
}

// A prefix made under a Russian locale: the index is in code page 1251, the
// list shows its names as they are, and Move puts the map under its own name.
// The index is the one place of the code page: its names are shown and placed
// in Unicode, and the lines a command keeps are written back byte for byte,
// a byte the code page leaves undefined included.
TEST_F(MoveTest, theIndexCodePageEndsAtTheIndex)
{
    OVCACHE_WINE_STORE_ONLY();
    const struct {
        unsigned codePage;
        std::string key, keyOnDisk, map, mapOnDisk, package, packageOnDisk, kept;
    } rows[] = {
        {1252, "\xC9T\xC9", "\u00C9T\u00C9", "Caf\xE9.kmx", "Caf\u00E9.kmx", "Caf\xE9.u", "Caf\u00E9.u",
         "B=R\xE9sum\xE9\x81.kmx"},
        {1251, "K", "K", "DM-\xCA\xF0\xE5\xEF\xEE\xF1\xF2\xFC.kmx",
         "DM-\u041A\u0440\u0435\u043F\u043E\u0441\u0442\u044C.kmx", "\xC1\xEE\xF2.u", "\u0411\u043E\u0442.u",
         "k2=DM-\xEA\xF0\xE5\xEF\xEE\xF1\xF2\xFC.kmx"},
        {1250,
         "\xA3\xF3"
         "d\xBF",
         "\u0141\u00F3d\u017C", "Micha\xB3.kmx", "Micha\u0142.kmx", "\x8A.u", "\u0160.u", "B=Gda\xF1sk.kmx"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.codePage);
        fs::remove_all(prefix.Game());
        prefix.MakeGame();
        prefix.SetRegString("System\\CurrentControlSet\\Control\\Nls\\CodePage", "ACP", std::to_string(row.codePage));
        ASSERT_EQ(WineAnsiCodePage(prefix.Root()), row.codePage);
        ASSERT_TRUE(UseAnsiCodePage(row.codePage));
        prefix.WriteIndex({"[Cache]", row.key + "=" + row.map, "P=" + row.package, row.kept});
        WriteFile(prefix.Cache() / (row.keyOnDisk + ".uxx"), "the map");
        prefix.AddCached("P");
        prefix.AddCached(row.kept.substr(0, row.kept.find('=')));
        Start();
        EXPECT_EQ(List(), (Lines{row.mapOnDisk, AnsiToUtf8(row.kept.substr(row.kept.find('=') + 1))}));
        Move(row.mapOnDisk);
        EXPECT_EQ(ReadFile(prefix.Game() / "Maps" / row.mapOnDisk), "the map");
        EXPECT_TRUE(fs::exists(prefix.Game() / "System" / row.packageOnDisk));
        EXPECT_EQ(prefix.ReadIndex(), "[Cache]\r\n" + row.kept + "\r\n");
    }
    UseAnsiCodePage(1252);
}

TEST_F(MoveTest, nameThatOnlyEndsWithTheSelectionStays)
{
    prefix.WriteIndex({"[Cache]", "A=Arena.kmx", "B=BigArena.kmx"});
    prefix.AddCached("A");
    prefix.AddCached("B");
    Start();
    Move("Arena.kmx");
    EXPECT_TRUE(InCache("B"));
    EXPECT_EQ(prefix.ReadIndex(), "[Cache]\r\nB=BigArena.kmx\r\n");
    EXPECT_EQ(List(), Lines{"BigArena.kmx"});
}

TEST_F(MoveTest, entryFromALineWithoutEqualsMovesOnlyThePackages)
{
    prefix.WriteIndex({"[Cache]", "Loose.kmx", "B=Bot.u"});
    prefix.AddCached("B");
    Start();
    ASSERT_EQ(List(), Lines{"Loose.kmx"});
    Move("Loose.kmx");
    EXPECT_EQ(last.selected, SelectedFate::NamesNothing);
    EXPECT_TRUE(last.report.Empty()); // said plainly, not as a failure
    EXPECT_TRUE(fs::exists(prefix.Game() / "System" / "Bot.u"));
    EXPECT_EQ(prefix.ReadIndex(), "[Cache]\r\nLoose.kmx\r\n");
}

TEST_F(MoveTest, packagesNeverReplaceTheGamesFilesNorGoToAMissingFolder)
{
    WriteFile(prefix.Game() / "System" / "Core.u", "game's own");
    fs::remove(prefix.Game() / "Sounds");
    prefix.WriteIndex({"[Cache]", "A=Arena.kmx", "B=Core.u", "C=Boom.uax", "D=Song.ogg"});
    for (const char* key : {"A", "B", "C", "D"})
        prefix.AddCached(key);
    Start();
    Move("Arena.kmx");

    EXPECT_EQ(ReadFile(prefix.Game() / "System" / "Core.u"), "game's own");
    EXPECT_TRUE(InCache("B") && InCache("C"));
    EXPECT_FALSE(fs::exists(prefix.Game() / "Sounds"));
    EXPECT_TRUE(fs::exists(prefix.Game() / "Music" / "Song.ogg"));
    EXPECT_EQ(prefix.ReadIndex(), "[Cache]\r\nB=Core.u\r\nC=Boom.uax\r\n");
    const auto& problems = last.report.Problems();
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[0].why, Why::NameTaken);
    EXPECT_EQ(problems[0].entry, "Core.u");
    EXPECT_EQ(problems[0].into, prefix.GameWin() + "\\System");
    EXPECT_EQ(problems[1].why, Why::NoFolder);
    EXPECT_EQ(problems[1].entry, "Boom.uax");
}

// The game may write the index while a question is up: what it added stays,
// and when the index has gone the report and then the missing-index box are
// shown.
TEST_F(MoveTest, theIndexAsItIsAtTheEndTakesTheRemovalsOrEndsTheProgram)
{
    WriteFile(prefix.Game() / "Maps" / "Arena.kmx", "mine");
    prefix.WriteIndex({"[Cache]", "A=Arena.kmx", "B=Bot.u"});
    prefix.AddCached("A");
    prefix.AddCached("B");
    Start();
    answers.byPath = [&](const std::string&) {
        prefix.WriteIndex({"[Cache]", "A=Arena.kmx", "B=Bot.u", "N=New.kmx"});
        return ExistingMap::Discard;
    };
    Move("Arena.kmx");
    EXPECT_EQ(prefix.ReadIndex(), "[Cache]\r\nN=New.kmx\r\n");

    prefix.WriteIndex({"[Cache]", "A=Arena.kmx"});
    prefix.AddCached("A");
    prefix.AddCached("Z"); // the cache is not empty without its index
    answers.byPath = [&](const std::string&) {
        fs::remove(prefix.Cache() / "cache.ini");
        return ExistingMap::Replace;
    };
    Move("Arena.kmx");
    // Put back without an index, the file would lose its name, so it stays;
    // the program cannot go on.
    EXPECT_TRUE(test::Notes(last.report, NoteKind::IndexRemovedMeanwhile));
    EXPECT_EQ(last.ending, Ending::IndexMissing);
    EXPECT_EQ(Maps("Arena.kmx"), "cached A");
    EXPECT_FALSE(InCache("A"));
}

TEST_F(MoveTest, onlyMapSelectedLeavesHeaderAndOtherSuffixes)
{
    prefix.WriteIndex({"[Cache]", "T=Rock.utx", "A=Only.kmx", "I=Text.int"});
    for (const char* key : {"T", "A", "I"})
        prefix.AddCached(key);
    Start();
    Move("Only.kmx");
    EXPECT_EQ(prefix.ReadIndex(), "[Cache]\r\nT=Rock.utx\r\nI=Text.int\r\n");
    EXPECT_TRUE(List().empty());
}

TEST_F(MoveTest, hostileNamesChangeNothingOutsideTheFolders)
{
    WriteFile(prefix.Drive() / "victim.u", "precious");
    prefix.WriteIndex({"[Cache]", "A=Arena.kmx", "B=..\\..\\..\\victim.u", "C=C:\\Windows\\x.u",
                       "..\\..\\..\\victim=Evil.uax", "D=AUX.ogg", "E=Arena.kmx\\..\\..\\x.u", "F=a/../../b.u"});
    for (const char* key : {"A", "B", "C", "D", "E", "F"})
        prefix.AddCached(key);
    Start();
    auto before = prefix.Snapshot();
    Move("Arena.kmx");

    auto after = prefix.Snapshot();
    before.erase(prefix.Rel(prefix.Cache() / "A.uxx"));
    before.erase(prefix.Rel(prefix.Cache() / "cache.ini"));
    after.erase(prefix.Rel(prefix.Game() / "Maps" / "Arena.kmx"));
    after.erase(prefix.Rel(prefix.Cache() / "cache.ini"));
    EXPECT_EQ(after, before);
    EXPECT_EQ(prefix.ReadIndex(), "[Cache]\r\nB=..\\..\\..\\victim.u\r\nC=C:\\Windows\\x.u\r\n"
                                  "..\\..\\..\\victim=Evil.uax\r\nD=AUX.ogg\r\nE=Arena.kmx\\..\\..\\x.u\r\n"
                                  "F=a/../../b.u\r\n");
    EXPECT_EQ(last.report.Unsafe(), 6);
    EXPECT_TRUE(last.report.Problems().empty());
}

} // namespace
} // namespace ovcache
