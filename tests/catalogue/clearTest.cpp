#include "catalogue/commands.h"
#include "testSupport.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace ovcache {
namespace {

using test::TempPrefix;
using test::WriteFile;
namespace fs = std::filesystem;

class ClearTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        prefix.MakeGame();
        prefix.WriteIndex({"[Cache]", "A=One.kmx"});
        prefix.AddCached("A");
        WriteFile(prefix.Cache() / "cache.bak", "left over");
        Open();
    }
    void Open() { game.emplace(OpenGame(CreateFileSystemService(), "").game); }
    CommandResult Clear(bool yes = true)
    {
        answers.clear = yes;
        return ClearCache(*game, answers);
    }
    std::size_t CacheFiles() const
    {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(prefix.Cache()), fs::directory_iterator()));
    }
    TempPrefix prefix;
    std::optional<OpenedGame> game;
    test::Answers answers;
};

TEST_F(ClearTest, asksThenDeletesEveryFileIncludingReadOnlyOnes)
{
    fs::permissions(prefix.Cache() / "A.uxx", fs::perms::owner_read);
    const CommandResult cleared = Clear();
    EXPECT_EQ(answers.asked, std::vector<std::string>{prefix.CacheWin()});
    EXPECT_EQ(CacheFiles(), 0u);
    ASSERT_TRUE(cleared.list && cleared.figures);
    EXPECT_TRUE(cleared.list->empty());
    EXPECT_TRUE(cleared.figures->emptied);
    EXPECT_EQ(cleared.cacheFolder, prefix.CacheWin());
    EXPECT_TRUE(cleared.report.Empty());
}

TEST_F(ClearTest, answeringNoChangesNothing)
{
    const auto before = prefix.Snapshot();
    const CommandResult kept = Clear(false);
    EXPECT_EQ(kept.ending, Ending::NotConfirmed);
    EXPECT_EQ(prefix.Snapshot(), before);
    EXPECT_FALSE(kept.list); // the list and the labels stay as they were
    EXPECT_FALSE(kept.figures);
}

TEST_F(ClearTest, anAlreadyEmptyCacheIsNoError)
{
    (void)Clear();
    const CommandResult again = Clear();
    EXPECT_EQ(answers.asked.size(), 2u);
    EXPECT_TRUE(again.report.Empty());
    ASSERT_TRUE(again.figures);
    EXPECT_EQ(again.figures->files, 0u);
}

#ifndef _WIN32
// Files planted in the cache folder are as untrusted as index names: names
// that read as paths, links of every kind, a pipe posing as a cached map.
// Move, Move All and Clear Cache change nothing outside the cache and the
// game's folders, follow no link and wait on no pipe.
TEST_F(ClearTest, plantedFilesInTheCacheChangeNothingOutsideIt)
{
    const fs::path outside = prefix.Drive() / "outside.txt";
    WriteFile(outside, "precious");
    WriteFile(prefix.Game() / "Maps" / "DM-Own.kmx", "mine");
    WriteFile(prefix.Game() / "System" / "Core.u", "game's own");
    WriteFile(prefix.Cache() / "..\\Maps\\DM-Own.kmx", "junk");
    WriteFile(prefix.Cache() / "..\\System\\Core.u", "junk");
    WriteFile(prefix.Cache() / "..\\..\\..\\outside.txt", "junk");
    fs::remove(prefix.Cache() / "cache.bak");
    fs::create_symlink(outside, prefix.Cache() / "cache.bak");
    fs::create_symlink(outside, prefix.Cache() / "L.uxx");
    fs::create_symlink(prefix.Drive() / "nowhere", prefix.Cache() / "D.uxx");
    fs::create_hard_link(prefix.Game() / "Maps" / "DM-Own.kmx", prefix.Cache() / "H.bak");
    // A link named as the index has it, beside a plain file whose name
    // differs only in case: whichever the folder lists first, the link is
    // what the line's name finds.
    for (const char* key : {"C", "E"}) {
        fs::create_symlink(outside, prefix.Cache() / (std::string(key) + ".uxx"));
        WriteFile(prefix.Cache() / (std::string(1, char(std::tolower(key[0]))) + ".uxx"), "twin");
    }
    ASSERT_EQ(::mkfifo((prefix.Cache() / "P.uxx").c_str(), 0644), 0);
    // Music on another file system, where a move is a copy that must not
    // open the pipe.
    const fs::path shm = fs::path("/dev/shm") / prefix.Root().filename();
    const bool otherVolume = fs::is_directory("/dev/shm");
    if (otherVolume) {
        fs::remove(prefix.Game() / "Music");
        fs::create_directories(shm);
        fs::create_directory_symlink(shm, prefix.Game() / "Music");
    }
    prefix.WriteIndex({"[Cache]", "L=Linked.kmx", "D=Dangling.u", "P=Pipe.ogg", "A=One.kmx", "C=Twin.kmx", "E=Pair.u"});
    const auto gameFiles = [&] {
        auto files = prefix.Snapshot();
        std::erase_if(files, [](const auto& f) { return f.first.find("Games/Orvane/Cache/") != std::string::npos; });
        return files;
    };
    const auto before = gameFiles();

    Open();
    // no journal names the planted cache.bak: the start leaves it alone
    EXPECT_TRUE(fs::is_symlink(prefix.Cache() / "cache.bak"));
    EXPECT_EQ(test::ReadFile(outside), "precious");
    (void)MoveSelectedMap(*game, "Linked.kmx", answers);
    (void)MoveAllCached(*game, answers);
    auto expected = before;
    expected["drive_c/Games/Orvane/Maps/One.kmx"] = "cached A";
    EXPECT_EQ(gameFiles(), expected);
    EXPECT_TRUE(fs::is_symlink(prefix.Cache() / "L.uxx"));
    EXPECT_TRUE(fs::is_fifo(prefix.Cache() / "P.uxx"));
    // The links and the pipe stay, reported, with their lines.
    EXPECT_EQ(prefix.ReadIndex(),
              "[Cache]\r\nL=Linked.kmx\r\nD=Dangling.u\r\nP=Pipe.ogg\r\nC=Twin.kmx\r\nE=Pair.u\r\n");

    (void)Clear();
    EXPECT_EQ(gameFiles(), expected);
    EXPECT_EQ(test::ReadFile(outside), "precious");
    EXPECT_EQ(CacheFiles(), 0u);
    if (otherVolume)
        fs::remove_all(shm);
}

TEST_F(ClearTest, theIndexRewriteNeverWritesThroughWhatHasItsName)
{
    const fs::path outside = prefix.Drive() / "outside.txt";
    WriteFile(outside, "precious");
    WriteFile(prefix.Game() / "Maps" / "Own.kmx", "mine");
    prefix.WriteIndex({"[Cache]", "A=One.kmx", "B=Two.kmx"});
    prefix.AddCached("B");
    for (const bool hard : {false, true}) {
        // planted after the start, as another program could
        fs::remove(prefix.Cache() / "cache.bak");
        if (hard)
            fs::create_hard_link(prefix.Game() / "Maps" / "Own.kmx", prefix.Cache() / "cache.bak");
        else
            fs::create_symlink(outside, prefix.Cache() / "cache.bak");
        (void)MoveSelectedMap(*game, hard ? "Two.kmx" : "One.kmx", answers);
    }
    EXPECT_EQ(test::ReadFile(outside), "precious");
    EXPECT_EQ(test::ReadFile(prefix.Game() / "Maps" / "Own.kmx"), "mine");
    EXPECT_FALSE(fs::is_symlink(prefix.Cache() / "cache.ini"));
    EXPECT_EQ(prefix.ReadIndex(), "[Cache]\r\n");
}
#endif

} // namespace
} // namespace ovcache
