#include "catalogue/commands.h"
#include "catalogue/listOrder.h"
#include "testSupport.h"

#include <gtest/gtest.h>

namespace ovcache {
namespace {

using test::FakeView;
using test::TempPrefix;
using test::WriteFile;
using Lines = std::vector<std::string>;

class ListingTest : public ::testing::Test {
protected:
    bool Load() { return StartUp(state, view, CreateFileSystemService()); }
    TempPrefix prefix;
    WorkingState state;
    FakeView view;
};

TEST_F(ListingTest, listsMapsInIndexOrderWithPathCountAndSize)
{
    prefix.MakeGame();
    prefix.WriteIndex({"[Cache]", "K1=DM-Zeta.kmx", "K2=Bot.u", "K3=CTF-Alpha.kmx", "K4=Song.ogg"});
    for (const char* key : {"K1", "K2", "K3", "K4"})
        prefix.AddCached(key);
    WriteFile(prefix.Cache() / "K1.uxx", std::string(std::size_t{3} * 1024 * 1024, 'm'));

    ASSERT_TRUE(Load());
    EXPECT_EQ(state.game.folder, prefix.GameWin());
    EXPECT_EQ(state.game.cache, prefix.CacheWin());
    EXPECT_EQ(view.list, (Lines{"DM-Zeta.kmx", "CTF-Alpha.kmx"}));
    EXPECT_EQ(view.labels[DataLabel::Path], prefix.CacheWin());
    EXPECT_EQ(view.labels[DataLabel::FileCount], "4");
    EXPECT_EQ(view.labels[DataLabel::CacheSize], "3 Megabytes");
    EXPECT_TRUE(view.boxes.empty());
    EXPECT_FALSE(view.ended);
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
    EXPECT_EQ(view.list, (Lines{"Nodot-kmx", "Loose.kmx", "a=b.kmx"}));
}

TEST_F(ListingTest, indexWithLoneCarriageReturnsStillLists)
{
    prefix.MakeGame();
    prefix.WriteIndex({"[Cache]", "A=One.kmx", "B=Two.kmx"}, "\r");
    ASSERT_TRUE(Load());
    EXPECT_EQ(view.list, (Lines{"One.kmx", "Two.kmx"}));
}

TEST_F(ListingTest, headerOnlyIndexListsNothingButCountsTheDirectory)
{
    prefix.MakeGame();
    prefix.WriteIndex({"[Cache]"});
    ASSERT_TRUE(Load());
    EXPECT_TRUE(view.list.empty());
    EXPECT_EQ(view.labels[DataLabel::FileCount], "0");
    EXPECT_EQ(view.labels[DataLabel::CacheSize], " Megabytes");

    prefix.AddCached("Stray");
    ASSERT_TRUE(LoadCacheList(state, view));
    EXPECT_EQ(view.labels[DataLabel::FileCount], "1");
}

TEST_F(ListingTest, unsafeNamesAreNotListed)
{
    prefix.MakeGame();
    prefix.WriteIndex({"[Cache]", "A=..\\..\\Evil.kmx", "CON=Dev.kmx", "B=Fine.kmx", "=NoKey.kmx", "..\\x.kmx"});
    ASSERT_TRUE(Load());
    EXPECT_EQ(view.list, Lines{"Fine.kmx"});
}

TEST_F(ListingTest, missingIndexIsReportedAndEndsTheProgram)
{
    prefix.MakeGame();
    prefix.AddCached("A");
    EXPECT_FALSE(Load());
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].title, "Cache.ini Missing");
    EXPECT_EQ(view.boxes[0].text, "Cache.ini not found in \"" + prefix.CacheWin() + "\".\nProgram cannot continue.");
    EXPECT_EQ(view.boxes[0].icon, MsgIcon::Critical);
    EXPECT_EQ(view.boxes[0].buttons, MsgButtons::OK);
    EXPECT_TRUE(view.ended);
    EXPECT_NE(view.exitCode, 0);
    EXPECT_TRUE(view.labels.empty());
}

// Move All and Clear Cache leave a cache with no index and no cached file:
// the next start shows it empty, whatever else (this program's leftovers) is
// there.
TEST_F(ListingTest, emptiedCacheWithoutAnIndexOpensEmpty)
{
    prefix.MakeGame();
    WriteFile(prefix.Cache() / "cache.bak", "left over");
    EXPECT_TRUE(Load());
    EXPECT_TRUE(view.boxes.empty());
    EXPECT_TRUE(view.list.empty());
    EXPECT_EQ(view.labels[DataLabel::Path], prefix.CacheWin());
    EXPECT_EQ(view.labels[DataLabel::FileCount], "0");
    EXPECT_EQ(view.labels[DataLabel::CacheSize], "0 Megabytes");
}

TEST_F(ListingTest, noRegistryValueLooksInCacheAtTheTopAndReportsIt)
{
    EXPECT_FALSE(Load());
    EXPECT_EQ(state.game.cache, "\\Cache");
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].text, "Cache.ini not found in \"\\Cache\".\nProgram cannot continue.");
}

TEST_F(ListingTest, folderEndingInABackslashIsUsedUnchanged)
{
    prefix.MakeGame();
    prefix.RegisterGame(prefix.GameWin() + "\\");
    prefix.WriteIndex({"[Cache]", "A=One.kmx"});
    ASSERT_TRUE(Load());
    EXPECT_EQ(state.game.cache, prefix.GameWin() + "\\\\Cache");
    EXPECT_EQ(view.labels[DataLabel::Path], prefix.GameWin() + "\\\\Cache");
    EXPECT_EQ(view.list, Lines{"One.kmx"});
}

TEST_F(ListingTest, win64PrefixFindsTheGameUnderWow6432Node)
{
    prefix.MakeGame();
    prefix.RegisterGame(prefix.GameWin(), true);
    prefix.WriteIndex({"[Cache]", "A=One.kmx"});
    ASSERT_TRUE(Load());
    EXPECT_EQ(view.list, Lines{"One.kmx"});
}

} // namespace
} // namespace ovcache
