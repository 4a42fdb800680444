#include "catalogue/commands.h"
#include "catalogue/listOrder.h"
#include "testSupport.h"

#include <gtest/gtest.h>

namespace ovcache {
namespace {

using test::TempPrefix;
using test::WriteFile;
using Lines = std::vector<std::string>;

class ListingTest : public ::testing::Test {
protected:
    // Opens the game the registry names; false when the program cannot go on.
    bool Load()
    {
        opened.emplace(OpenGame(CreateFileSystemService(), ""));
        return opened->result.ending != Ending::IndexMissing;
    }
    const CommandResult& Result() const { return opened->result; }
    Lines List() const { return Result().list ? test::RowTexts(*Result().list) : Lines(); }
    CacheFigures Figures() const { return Result().figures.value_or(CacheFigures{99, 99, false}); }
    TempPrefix prefix;
    std::optional<Opening> opened;
};

TEST_F(ListingTest, listsMapsInIndexOrderWithPathCountAndSize)
{
    prefix.MakeGame();
    prefix.WriteIndex({"[Cache]", "K1=DM-Zeta.kmx", "K2=Bot.u", "K3=CTF-Alpha.kmx", "K4=Song.ogg"});
    for (const char* key : {"K1", "K2", "K3", "K4"})
        prefix.AddCached(key);
    WriteFile(prefix.Cache() / "K1.uxx", std::string(std::size_t{3} * 1024 * 1024, 'm'));

    ASSERT_TRUE(Load());
    EXPECT_EQ(opened->game.Folder(), prefix.GameWin());
    EXPECT_EQ(opened->game.Cache(), prefix.CacheWin());
    EXPECT_EQ(List(), (Lines{"DM-Zeta.kmx", "CTF-Alpha.kmx"}));
    EXPECT_EQ(Result().cacheFolder, prefix.CacheWin());
    EXPECT_EQ(Figures().files, 4u);
    EXPECT_GT(Figures().bytes, std::uint64_t{3} * 1024 * 1024);
    EXPECT_LT(Figures().bytes, std::uint64_t{3} * 1024 * 1024 + 1024);
    EXPECT_TRUE(Result().report.Empty());
    EXPECT_EQ(Result().ending, Ending::Done);
}

// One order on every system, whatever order the names come in or in how
// many batches: case and Latin accents aside, then the folded names, then
// their own text.
TEST(ListOrder, namesAreOrderedAsAPlayerReadsThem)
{
    const Lines ordered = {"Arena.kmx",         "\u00C4rger.kmx", "Ete.kmx",  "ete.kmx",
                           "\u00C9t\u00E9.kmx", "Ezra.kmx",       "lodz.kmx", "\u0141\u00F3d\u017A.kmx",
                           "Zulu.kmx",          "\u0416.kmx"};
    const auto rowsOf = [](auto from, auto to) {
        ListRows rows;
        for (; from != to; ++from)
            rows.push_back(*from);
        return rows;
    };
    ListRows rows;
    AddInListOrder(rows, rowsOf(ordered.rbegin() + 5, ordered.rend()));
    AddInListOrder(rows, rowsOf(ordered.rbegin(), ordered.rbegin() + 5));
    EXPECT_EQ(test::RowTexts(rows), ordered);
}

TEST_F(ListingTest, filterTakesExactKmxEndingsAndWholeLinesWithoutEquals)
{
    prefix.MakeGame();
    prefix.WriteIndex({"[Cache]", "A=Upper.KMX", "B=Nodot-kmx", "Loose.kmx", "C=a=b.kmx", "D=Tex.utx"}, "\n");
    ASSERT_TRUE(Load());
    EXPECT_EQ(List(), (Lines{"Nodot-kmx", "Loose.kmx", "a=b.kmx"}));
}

TEST_F(ListingTest, indexWithLoneCarriageReturnsStillLists)
{
    prefix.MakeGame();
    prefix.WriteIndex({"[Cache]", "A=One.kmx", "B=Two.kmx"}, "\r");
    ASSERT_TRUE(Load());
    EXPECT_EQ(List(), (Lines{"One.kmx", "Two.kmx"}));
}

TEST_F(ListingTest, headerOnlyIndexListsNothingButCountsTheDirectory)
{
    prefix.MakeGame();
    prefix.WriteIndex({"[Cache]"});
    ASSERT_TRUE(Load());
    ASSERT_TRUE(Result().list);
    EXPECT_TRUE(List().empty());
    EXPECT_EQ(Figures().files, 0u);
    EXPECT_FALSE(Figures().emptied); // its size is shown as measured

    prefix.AddCached("Stray");
    EXPECT_EQ(LoadCacheList(opened->game).figures->files, 1u);
}

TEST_F(ListingTest, unsafeNamesAreNotListed)
{
    prefix.MakeGame();
    prefix.WriteIndex({"[Cache]", "A=..\\..\\Evil.kmx", "CON=Dev.kmx", "B=Fine.kmx", "=NoKey.kmx", "..\\x.kmx"});
    ASSERT_TRUE(Load());
    EXPECT_EQ(List(), Lines{"Fine.kmx"});
}

TEST_F(ListingTest, missingIndexIsReportedAndEndsTheProgram)
{
    prefix.MakeGame();
    prefix.AddCached("A");
    EXPECT_FALSE(Load());
    EXPECT_EQ(Result().cacheFolder, prefix.CacheWin());
    EXPECT_FALSE(Result().list);
    EXPECT_FALSE(Result().figures);
}

// Move All and Clear Cache leave a cache with no index and no cached file:
// the next start shows it empty, whatever else (this program's leftovers) is
// there.
TEST_F(ListingTest, emptiedCacheWithoutAnIndexOpensEmpty)
{
    prefix.MakeGame();
    WriteFile(prefix.Cache() / "cache.bak", "left over");
    EXPECT_TRUE(Load());
    EXPECT_TRUE(Result().report.Empty());
    ASSERT_TRUE(Result().list);
    EXPECT_TRUE(List().empty());
    EXPECT_EQ(Result().cacheFolder, prefix.CacheWin());
    EXPECT_EQ(Figures().files, 0u);
    EXPECT_TRUE(Figures().emptied);
}

TEST_F(ListingTest, noRegistryValueLooksInCacheAtTheTopAndReportsIt)
{
    EXPECT_FALSE(Load());
    EXPECT_EQ(opened->game.Cache(), "\\Cache");
    EXPECT_EQ(Result().cacheFolder, "\\Cache");
}

TEST_F(ListingTest, folderEndingInABackslashIsUsedUnchanged)
{
    prefix.MakeGame();
    prefix.RegisterGame(prefix.GameWin() + "\\");
    prefix.WriteIndex({"[Cache]", "A=One.kmx"});
    ASSERT_TRUE(Load());
    EXPECT_EQ(opened->game.Cache(), prefix.GameWin() + "\\\\Cache");
    EXPECT_EQ(Result().cacheFolder, prefix.GameWin() + "\\\\Cache");
    EXPECT_EQ(List(), Lines{"One.kmx"});
}

TEST_F(ListingTest, win64PrefixFindsTheGameUnderWow6432Node)
{
    prefix.MakeGame();
    prefix.RegisterGame(prefix.GameWin(), true);
    prefix.WriteIndex({"[Cache]", "A=One.kmx"});
    ASSERT_TRUE(Load());
    EXPECT_EQ(List(), Lines{"One.kmx"});
}

} // namespace
} // namespace ovcache
