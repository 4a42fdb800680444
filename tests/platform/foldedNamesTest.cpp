#include "platform/foldedNames.h"

#include <gtest/gtest.h>

namespace ovcache {
namespace {

std::string Folded(std::string_view utf8)
{
    std::string buffer;
    return std::string(FoldName(utf8, buffer));
}

std::optional<std::string_view> Find(const FoldedNames& names, std::string_view utf8)
{
    return names.Find(utf8, Folded(utf8));
}

TEST(FoldedNames, exactNameFirstThenOneThatFoldsTheSame)
{
    FoldedNames names;
    names.Add("Arena.kmx");
    names.Add("ARENA.kmx");
    names.Add("Caf\xC3\xA9.u");
    ASSERT_TRUE(Find(names, "ARENA.kmx"));
    EXPECT_EQ(*Find(names, "ARENA.kmx"), "ARENA.kmx");
    EXPECT_EQ(*Find(names, "Arena.kmx"), "Arena.kmx");
    ASSERT_TRUE(Find(names, "arena.KMX"));
    EXPECT_EQ(Folded(*Find(names, "arena.KMX")), "arena.kmx");
    ASSERT_TRUE(Find(names, "CAF\xC3\x89.U"));
    EXPECT_EQ(*Find(names, "CAF\xC3\x89.U"), "Caf\xC3\xA9.u");
    EXPECT_FALSE(Find(names, "Arena.kmx2"));
    EXPECT_FALSE(Find(names, "Cafe.u"));
}

TEST(FoldedNames, addsANameOnceAndRemovesOnlyTheExactOne)
{
    FoldedNames names;
    names.Add("Arena.kmx");
    names.Add("Arena.kmx");
    EXPECT_EQ(names.Size(), 1u);
    EXPECT_FALSE(names.Remove("arena.kmx"));
    EXPECT_TRUE(names.Remove("Arena.kmx"));
    EXPECT_FALSE(names.Remove("Arena.kmx"));
    EXPECT_EQ(names.Size(), 0u);
    EXPECT_FALSE(Find(names, "Arena.kmx"));
    names.Add("arena.kmx");
    EXPECT_EQ(*Find(names, "ARENA.KMX"), "arena.kmx");
}

// Removed names leave marks that later searches must look past, and the
// table grows and is rebuilt many times on the way.
TEST(FoldedNames, manyNamesSurviveGrowthRemovalAndReuse)
{
    FoldedNames names;
    const auto name = [](int k) { return "Map" + std::to_string(k) + ".KMX"; };
    for (int k = 0; k < 20000; ++k)
        names.Add(name(k));
    for (int k = 0; k < 20000; k += 2)
        EXPECT_TRUE(names.Remove(name(k)));
    for (int k = 20000; k < 25000; ++k)
        names.Add(name(k));
    EXPECT_EQ(names.Size(), 15000u);
    int wrong = 0;
    for (int k = 0; k < 25000; ++k) {
        const bool there = k >= 20000 || k % 2 == 1;
        const std::string lower = "map" + std::to_string(k) + ".kmx";
        const auto found = names.Find(lower, lower);
        wrong += found.has_value() != there || (found && *found != name(k));
    }
    EXPECT_EQ(wrong, 0);
    names.Clear();
    EXPECT_FALSE(Find(names, name(1)));
}

} // namespace
} // namespace ovcache
