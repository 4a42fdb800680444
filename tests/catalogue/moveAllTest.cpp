#include "catalogue/commands.h"
#include "platform/planningFileSystem.h"
#include "testSupport.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <optional>

namespace ovcache {
namespace {

using test::ReadFile;
using test::TempPrefix;
using test::WriteFile;
namespace fs = std::filesystem;

class MoveAllTest : public test::CommandTest {
protected:
    void MoveAll(std::deque<ExistingMap> maps = {})
    {
        answers.maps = std::move(maps);
        Progress progress;
        progress.step = [this](std::size_t done, std::size_t total) { steps.emplace_back(done, total); };
        last = MoveAllCached(*game, answers, progress);
    }
    std::vector<std::pair<std::size_t, std::size_t>> steps; // done, total
};

TEST_F(MoveAllTest, placesEverythingTheRulesPlaceAndKeepsTheLinesOfWhatStays)
{
    prefix.WriteIndex({"[Cache]", "A=DM-One.kmx", "B=Bot.u", "C=Song.ogg", "D=Boom.uax", "E=Rock.utx", "F=NoDotkmx",
                       "G=Gone.kmx", "Loose line"});
    for (const char* key : {"A", "B", "C", "D", "E", "F"})
        prefix.AddCached(key);
    prefix.AddCached("Orphan");
    Start();
    MoveAll();

    EXPECT_TRUE(last.report.Empty());
    EXPECT_EQ(GameFile("Maps/DM-One.kmx"), "cached A");
    EXPECT_EQ(GameFile("Maps/NoDotkmx"), "cached F");
    EXPECT_EQ(GameFile("System/Bot.u"), "cached B");
    EXPECT_EQ(GameFile("Music/Song.ogg"), "cached C");
    EXPECT_EQ(GameFile("Sounds/Boom.uax"), "cached D");
    EXPECT_TRUE(InCache("E"));
    EXPECT_TRUE(InCache("Orphan"));
    // The texture keeps its real name; the line of a file gone before goes.
    EXPECT_EQ(prefix.ReadIndex(), "[Cache]\r\nE=Rock.utx\r\nLoose line\r\n");
    EXPECT_TRUE(List().empty());
    ASSERT_TRUE(last.figures);
    EXPECT_EQ(last.figures->files, 2u);
    EXPECT_FALSE(last.figures->emptied);
    EXPECT_EQ(last.done.size(), 5u);
    // The window heard how far it was, file by file.
    ASSERT_EQ(steps.size(), 6u);
    EXPECT_EQ(steps.back(), (std::pair<std::size_t, std::size_t>{5, 6}));
}

TEST_F(MoveAllTest, zerosWhenNothingStays)
{
    prefix.WriteIndex({"[Cache]", "A=One.kmx", "Loose line"});
    prefix.AddCached("A");
    Start();
    MoveAll();
    EXPECT_FALSE(fs::exists(prefix.Cache() / "cache.ini"));
    ASSERT_TRUE(last.figures);
    EXPECT_EQ(last.figures->files, 0u);
    EXPECT_TRUE(last.figures->emptied);
    EXPECT_EQ(last.cacheFolder, prefix.CacheWin());
}

// Keys and the ".uxx" ending are matched as Windows matches file names.
TEST_F(MoveAllTest, firstLineNamingAFileDecidesAndKeysMatchWithoutRegardToCase)
{
    prefix.WriteIndex({"[Cache]", "A=Rock.utx", "A=Two.kmx", "b=Lower.kmx", "0123ABCDEF=Hex.kmx", "99AA=Up.u"});
    prefix.AddCached("A");
    prefix.AddCached("B");
    prefix.AddCached("0123abcdef");
    WriteFile(prefix.Cache() / "99AA.UXX", "cached 99AA");
    Start();
    MoveAll();
    EXPECT_TRUE(InCache("A"));
    EXPECT_FALSE(fs::exists(prefix.Game() / "Maps" / "Two.kmx"));
    EXPECT_EQ(GameFile("Maps/Lower.kmx"), "cached B");
    EXPECT_EQ(GameFile("Maps/Hex.kmx"), "cached 0123abcdef");
    EXPECT_EQ(GameFile("System/Up.u"), "cached 99AA");
    EXPECT_EQ(prefix.ReadIndex(), "[Cache]\r\nA=Rock.utx\r\nA=Two.kmx\r\n");
}

// A map whose name is in Maps: asked about in the window (No discards the
// cached copy, Yes replaces), or decided beforehand on the command line,
// where "keep" leaves the cached map and its line and the player's map as
// they are, and says so.
struct ExistingRow {
    std::optional<ExistingMap> decided; // else No for A1, Yes for A2
    const char *a1, *a2;                // Maps/A1.kmx and Maps/A2.kmx afterwards
    bool cached;                        // both cached files and their lines still there
};

class ExistingMapTest : public MoveAllTest, public ::testing::WithParamInterface<ExistingRow> {};

TEST_P(ExistingMapTest, isAskedAboutOrDecidedBeforehand)
{
    const ExistingRow& row = GetParam();
    WriteFile(prefix.Game() / "Maps" / "A1.kmx", "mine 1");
    WriteFile(prefix.Game() / "Maps" / "A2.kmx", "mine 2");
    prefix.WriteIndex({"[Cache]", "A=A1.kmx", "B=A2.kmx"});
    prefix.AddCached("A");
    prefix.AddCached("B");
    Start();
    answers.byPath = [&row](const std::string& path) {
        if (row.decided)
            return *row.decided;
        return path.find("A1.kmx") != std::string::npos ? ExistingMap::Discard : ExistingMap::Replace;
    };
    MoveAll();
    EXPECT_EQ(answers.asked.size(), 2u);
    EXPECT_EQ(GameFile("Maps/A1.kmx"), row.a1);
    EXPECT_EQ(GameFile("Maps/A2.kmx"), row.a2);
    EXPECT_EQ(InCache("A"), row.cached);
    EXPECT_EQ(InCache("B"), row.cached);
    EXPECT_EQ(prefix.ReadIndex(), row.cached ? "[Cache]\r\nA=A1.kmx\r\nB=A2.kmx\r\n" : "");
    EXPECT_EQ(std::distance(fs::directory_iterator(prefix.Game() / "Maps"), fs::directory_iterator()), 2);
    EXPECT_EQ(test::Reports(last.report, Why::KeptBesideMap, "A1.kmx"), row.decided == ExistingMap::Keep);
}

INSTANTIATE_TEST_SUITE_P(MoveAll, ExistingMapTest,
                         ::testing::Values(ExistingRow{std::nullopt, "mine 1", "cached B", false},
                                           ExistingRow{ExistingMap::Keep, "mine 1", "mine 2", true},
                                           ExistingRow{ExistingMap::Replace, "cached A", "cached B", false},
                                           ExistingRow{ExistingMap::Discard, "mine 1", "mine 2", false}));

// Whatever order the system lists the cache in, the questions follow the
// index, and of two lines naming one map the earlier one is placed first.
TEST_F(MoveAllTest, questionsComeInTheOrderOfTheIndex)
{
    std::vector<std::string> lines{"[Cache]"};
    for (const char* name : {"Q7", "Q3", "Q9", "Q1", "Q5", "Q2", "Q8"}) {
        WriteFile(prefix.Game() / "Maps" / (std::string(name) + ".kmx"), "mine");
        lines.push_back(std::string("K") + name + "=" + name + ".kmx");
        prefix.AddCached(std::string("K") + name);
    }
    lines.emplace_back("Z=New.kmx");
    lines.emplace_back("A=New.kmx");
    prefix.AddCached("Z");
    prefix.AddCached("A");
    prefix.WriteIndex(lines);
    Start();
    MoveAll({ExistingMap::Discard, ExistingMap::Discard, ExistingMap::Discard, ExistingMap::Discard,
             ExistingMap::Discard, ExistingMap::Discard, ExistingMap::Discard, ExistingMap::Replace});
    ASSERT_EQ(answers.asked.size(), 8u);
    const std::vector<std::string> order{"Q7", "Q3", "Q9", "Q1", "Q5", "Q2", "Q8", "New"};
    for (std::size_t k = 0; k < order.size(); ++k)
        EXPECT_EQ(answers.asked[k], prefix.GameWin() + "\\Maps\\" + order[k] + ".kmx");
    EXPECT_EQ(GameFile("Maps/New.kmx"), "cached A");
}

TEST_F(MoveAllTest, readOnlyMapIsKeptOnYesAndReported)
{
    WriteFile(prefix.Game() / "Maps" / "A1.kmx", "mine");
    fs::permissions(prefix.Game() / "Maps" / "A1.kmx", fs::perms::owner_read);
    prefix.WriteIndex({"[Cache]", "A=A1.kmx"});
    prefix.AddCached("A");
    Start();
    MoveAll({ExistingMap::Replace});
    EXPECT_EQ(GameFile("Maps/A1.kmx"), "mine");
    EXPECT_TRUE(InCache("A"));
    EXPECT_EQ(answers.asked.size(), 1u);
    EXPECT_TRUE(test::Reports(last.report, Why::MapReadOnly, "A1.kmx"));
}

TEST_F(MoveAllTest, missingIndexMovesNothing)
{
    prefix.WriteIndex({"[Cache]", "A=One.kmx"});
    prefix.AddCached("A");
    Start();
    fs::remove(prefix.Cache() / "cache.ini");
    const auto before = prefix.Snapshot();
    MoveAll();
    EXPECT_EQ(prefix.Snapshot(), before);
    ASSERT_EQ(last.report.Notes().size(), 1u);
    EXPECT_EQ(last.report.Notes()[0].kind, NoteKind::NoIndexNothingMoved);
}

TEST_F(MoveAllTest, emptyCacheDirectoryIsNoError)
{
    prefix.WriteIndex({"[Cache]"});
    Start();
    fs::remove(prefix.Cache() / "cache.ini");
    MoveAll();
    EXPECT_TRUE(last.report.Empty());
    ASSERT_TRUE(last.figures);
    EXPECT_TRUE(last.figures->emptied);
}

TEST_F(MoveAllTest, directoryWithOnlyTheIndexIsNoError)
{
    prefix.WriteIndex({"[Cache]"});
    Start();
    MoveAll();
    EXPECT_TRUE(last.report.Empty());
    EXPECT_FALSE(fs::exists(prefix.Cache() / "cache.ini"));
    ASSERT_TRUE(last.figures);
    EXPECT_EQ(last.figures->files, 0u);
}

TEST_F(MoveAllTest, hostileNamesLeaveTheirFilesAndAreCounted)
{
    WriteFile(prefix.Drive() / "x.u", "precious");
    prefix.WriteIndex({"[Cache]", "A=..\\..\\..\\x.u", "B=CON.kmx", "C=Fine.uax"});
    for (const char* key : {"A", "B", "C"})
        prefix.AddCached(key);
    Start();
    MoveAll();
    EXPECT_TRUE(InCache("A") && InCache("B"));
    EXPECT_EQ(ReadFile(prefix.Drive() / "x.u"), "precious");
    EXPECT_TRUE(fs::exists(prefix.Game() / "Sounds" / "Fine.uax"));
    EXPECT_EQ(last.report.Unsafe(), 2);
}

// A dry run works on the game through a service that changes nothing: no
// file, journal, index or lock file is made or touched, and what it answers
// is what the command then does on the same game, names taken, read-only
// maps, missing files, folders to make and hostile names included.
enum class Planned { MoveAllKeep, MoveAllReplace, MoveAllDiscard, MoveOne, Clear };

class DryRunTest : public MoveAllTest, public ::testing::WithParamInterface<Planned> {
protected:
    // What a command came to, as values to compare.
    struct Came {
        std::vector<std::tuple<std::string, std::string, bool>> done;
        std::vector<std::tuple<Why, std::string, std::string>> problems;
        std::vector<std::string> list;
        std::optional<std::size_t> files;
        Ending ending;
        bool operator==(const Came&) const = default;
    };
    Came Run(bool dry)
    {
        std::unique_ptr<FileSystemService> files = CreateFileSystemService();
        if (dry)
            files = CreatePlanningService(std::move(files));
        Opening opening = OpenGame(std::move(files), "", {}, true, options);
        test::Answers decide;
        decide.byPath = [](const std::string&) {
            return GetParam() == Planned::MoveAllKeep      ? ExistingMap::Keep
                   : GetParam() == Planned::MoveAllDiscard ? ExistingMap::Discard
                                                           : ExistingMap::Replace;
        };
        CommandResult result = GetParam() == Planned::Clear     ? ClearCache(opening.game, decide)
                               : GetParam() == Planned::MoveOne ? MoveSelectedMap(opening.game, "A1.kmx", decide)
                                                                : MoveAllCached(opening.game, decide);
        Came came{{},
                  {},
                  result.list ? test::RowTexts(*result.list) : std::vector<std::string>(),
                  result.figures ? std::optional(result.figures->files) : std::nullopt,
                  result.ending};
        for (std::size_t k = 0; k < result.done.size(); ++k)
            came.done.emplace_back(result.done[k].name, result.done[k].folder, result.done[k].replaced);
        for (const Problem& p : result.report.Problems())
            came.problems.emplace_back(p.why, p.entry, p.into);
        return came;
    }
};

TEST_P(DryRunTest, changesNothingAndIsWhatTheCommandDoes)
{
    WriteFile(prefix.Game() / "Maps" / "A1.kmx", "mine 1");
    WriteFile(prefix.Game() / "Maps" / "A2.kmx", "mine 2");
    fs::permissions(prefix.Game() / "Maps" / "A2.kmx", fs::perms::owner_read);
    fs::remove_all(prefix.Game() / "Music"); // made by the command
    prefix.WriteIndex(
        {"[Cache]", "A=A1.kmx", "B=A2.kmx", "C=New.kmx", "D=Tune.ogg", "E=Gone.uax", "F=..\\x.u", "G=Code.u"});
    for (const char* key : {"A", "B", "C", "D", "F", "G"})
        prefix.AddCached(key);
    const fs::path lock = prefix.Game() / "OrvaneCacheImporter.lock";
    const auto before = prefix.Snapshot();

    const Came planned = Run(true);
    EXPECT_EQ(prefix.Snapshot(), before);
    EXPECT_FALSE(fs::exists(lock) || fs::exists(prefix.Game() / "Music"));
    EXPECT_EQ(planned.done.empty(), GetParam() == Planned::Clear);

    const Came done = Run(false);
    EXPECT_NE(prefix.Snapshot(), before);
    EXPECT_EQ(planned, done);
}

INSTANTIATE_TEST_SUITE_P(MoveAll, DryRunTest,
                         ::testing::Values(Planned::MoveAllKeep, Planned::MoveAllReplace, Planned::MoveAllDiscard,
                                           Planned::MoveOne, Planned::Clear));

} // namespace
} // namespace ovcache
