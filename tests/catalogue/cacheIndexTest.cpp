#include "catalogue/cacheIndex.h"
#include "catalogue/commands.h"
#include "catalogue/destinations.h"
#include "catalogue/entryNames.h"

#include <gtest/gtest.h>

namespace ovcache {
namespace {

using Lines = std::vector<std::string_view>;

TEST(IndexLines, everyLineEndCountsAndNoneIsKept)
{
    EXPECT_EQ(SplitIndexLines("[Cache]\r\nA=a.kmx\r\n"), (Lines{"[Cache]", "A=a.kmx"}));
    EXPECT_EQ(SplitIndexLines("[Cache]\nA=a.kmx"), (Lines{"[Cache]", "A=a.kmx"}));
    EXPECT_EQ(SplitIndexLines("[Cache]\rA=a.kmx\r\r\nB"), (Lines{"[Cache]", "A=a.kmx", "", "B"}));
    EXPECT_EQ(SplitIndexLines(""), Lines{});
    EXPECT_EQ(SplitIndexLines("\r\n"), Lines{""});

    // Read a piece at a time, cut anywhere (between CR and LF too), the
    // lines are the same.
    for (const std::string_view text : {"[Cache]\rA=a.kmx\r\r\nB", "\r\n\r\nA=b\n", "A=x\r\nB\r", "\n\r"}) {
        const Lines whole = SplitIndexLines(text);
        for (std::size_t cut = 0; cut <= text.size(); ++cut)
            for (const std::size_t piece : {std::size_t{1}, std::size_t{2}, text.size() + 1}) {
                std::vector<std::string> read;
                IndexEntryReader reader([&](const IndexEntry& entry) { read.emplace_back(entry.Text()); });
                reader.Feed(text.substr(0, cut));
                for (std::size_t at = cut; at < text.size(); at += piece)
                    reader.Feed(text.substr(at, piece));
                reader.End();
                EXPECT_EQ(read, std::vector<std::string>(whole.begin(), whole.end())) << text << " cut " << cut;
            }
    }
}

TEST(IndexLines, rewriteKeepsTheBytesAndEndsEachLineWithCrLf)
{
    const Lines lines{"[Cache]", "K=caf\xE9\x81.kmx", ""};
    EXPECT_EQ(JoinIndexLines(lines), "[Cache]\r\nK=caf\xE9\x81.kmx\r\n\r\n");
    EXPECT_EQ(SplitIndexLines(JoinIndexLines(lines)), lines);
}

TEST(IndexLines, keyAndNameSplitAtTheFirstEquals)
{
    EXPECT_EQ(EqPos("ABC=x=y.kmx"), 4u);
    EXPECT_EQ(EntryKey("ABC=x=y.kmx"), "ABC");
    EXPECT_EQ(EntryName("ABC=x=y.kmx"), "x=y.kmx");
    EXPECT_EQ(EqPos("noequals.kmx"), 0u);
    EXPECT_EQ(EntryKey("noequals.kmx"), "");
    EXPECT_EQ(EntryName("noequals.kmx"), "noequals.kmx");
    const std::string far(40000, 'k');
    EXPECT_EQ(EqPos(far + "=n.kmx"), 40001u); // beyond what 16 bits hold
    EXPECT_EQ(EntryName(far + "=n.kmx"), "n.kmx");
}

TEST(EntryNames, plainNamesAreSafe)
{
    for (const char* name : {"DM-Arena.kmx", "A1B2C3", "caf\u00E9.u", "CONSOLE.u", "COM10.ogg", "my map.kmx", "x..y",
                             "CONIN.u", "LPT\u00B4.u"})
        EXPECT_TRUE(IsSafeFileName(name)) << name;
    EXPECT_TRUE(IsSafeFileName(std::string(251, 'm') + ".kmx"));
    std::string cyrillic;
    for (int k = 0; k < 251; ++k)
        cyrillic += "\u0416"; // two bytes, one unit
    EXPECT_TRUE(IsSafeFileName(cyrillic + ".kmx"));
    EXPECT_FALSE(IsSafeFileName(cyrillic + "\u0416.kmx"));
}

TEST(EntryNames, namesThatCouldLeaveTheFolderAreNot)
{
    for (const char* name : {"",
                             ".",
                             "..",
                             "..\\..\\Windows\\x.dll",
                             "a/b.u",
                             "C:x.u",
                             "a*.u",
                             "a?.u",
                             "a\"b.u",
                             "a<b",
                             "a>b",
                             "a|b",
                             "tab\there",
                             "dot.",
                             "space ",
                             "CON",
                             "con.kmx",
                             "Lpt1.u",
                             "COM9",
                             "NUL .txt",
                             "aux.tar.gz",
                             "prn",
                             "COM0.u",
                             "lpt0",
                             "COM\u00B9.kmx",
                             "LPT\u00B3",
                             "caf\xE9.u", // code-page bytes, not the program's text
                             "conin$.u",
                             "CONOUT$"})
        EXPECT_FALSE(IsSafeFileName(name)) << name;
    EXPECT_FALSE(IsSafeFileName(std::string(252, 'm') + ".kmx")); // no file system holds it
    // A line is acted on only when it names a file and both its names are safe.
    const auto actedOn = [](std::string_view line) {
        const IndexEntry entry(line);
        return entry.NamesAFile() && entry.Safe();
    };
    EXPECT_FALSE(actedOn("..=Arena.kmx"));
    EXPECT_FALSE(actedOn("ABC=..\\..\\System\\Core.u"));
    EXPECT_FALSE(actedOn("=Arena.kmx"));
    EXPECT_FALSE(actedOn("Arena.kmx"));
    EXPECT_TRUE(actedOn("ABC=Arena.kmx"));
    EXPECT_TRUE(actedOn("\xC9T\xC9=Caf\xE9.kmx")); // the index's own code page
    EXPECT_FALSE(actedOn("ABC=COM\xB9.kmx"));
}

TEST(Destinations, endingsAreTriedInOrderAndCaseMatters)
{
    EXPECT_EQ(ClassifyForMoveAll("K=Arena.kmx"), EntryKind::Map);
    EXPECT_EQ(ClassifyForMoveAll("K=Arenakmx"), EntryKind::Map);
    EXPECT_EQ(ClassifyForMoveAll("K=Arena.KMX"), EntryKind::Other);
    EXPECT_EQ(ClassifyForMoveAll("K=Bot.u"), EntryKind::CodePackage);
    EXPECT_EQ(ClassifyForMoveAll("K=Bot.U"), EntryKind::Other);
    EXPECT_EQ(ClassifyForMoveAll("K=Song.ogg"), EntryKind::Music);
    EXPECT_EQ(ClassifyForMoveAll("K=Song.OGG"), EntryKind::Other);
    EXPECT_EQ(ClassifyForMoveAll("K=Boom.uax"), EntryKind::SoundPackage);
    EXPECT_EQ(ClassifyForMoveAll("K=Rock.utx"), EntryKind::Other);
    EXPECT_EQ(IndexEntry("K=Arena.kmx").KindForMove("Arena.kmx"), EntryKind::Map);
    EXPECT_EQ(IndexEntry("K=BigArena.kmx").KindForMove("Arena.kmx"), EntryKind::Other);
    EXPECT_EQ(IndexEntry("Arena.kmx").KindForMove("Arena.kmx"), EntryKind::Other);
    EXPECT_EQ(IndexEntry("K=Bot.u").KindForMove("Arena.kmx"), EntryKind::CodePackage);
    EXPECT_EQ(DestinationPath("C:\\G", EntryKind::Music, "Song.ogg"), "C:\\G\\Music\\Song.ogg");
}

} // namespace
} // namespace ovcache
