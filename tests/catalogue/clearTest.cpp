#include "catalogue/commands.h"
#include "testSupport.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace ovcache {
namespace {

using test::FakeView;
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
        ASSERT_TRUE(StartUp(state, view, CreateFileSystemService()));
    }
    std::size_t CacheFiles() const
    {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(prefix.Cache()), fs::directory_iterator()));
    }
    TempPrefix prefix;
    WorkingState state;
    FakeView view;
};

TEST_F(ClearTest, asksThenDeletesEveryFileIncludingReadOnlyOnes)
{
    fs::permissions(prefix.Cache() / "A.uxx", fs::perms::owner_read);
    view.answers = {MsgAnswer::Yes};
    ClearCache(state, view);
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].title, "Clear Cache");
    EXPECT_EQ(view.boxes[0].text,
              "This will delete all files under " + prefix.CacheWin() + "\nDo you wish to continue?");
    EXPECT_EQ(view.boxes[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(CacheFiles(), 0u);
    EXPECT_TRUE(view.list.empty());
    EXPECT_EQ(view.labels[DataLabel::FileCount], "0");
    EXPECT_EQ(view.labels[DataLabel::CacheSize], "0 Megabytes");
    EXPECT_EQ(view.labels[DataLabel::Path], prefix.CacheWin());
}

TEST_F(ClearTest, answeringNoChangesNothing)
{
    const auto before = prefix.Snapshot();
    const auto labels = view.labels;
    view.answers = {MsgAnswer::No};
    ClearCache(state, view);
    EXPECT_EQ(prefix.Snapshot(), before);
    EXPECT_EQ(view.list, std::vector<std::string>{"One.kmx"});
    EXPECT_EQ(view.labels, labels);
}

TEST_F(ClearTest, anAlreadyEmptyCacheIsNoError)
{
    view.answers = {MsgAnswer::Yes, MsgAnswer::Yes};
    ClearCache(state, view);
    ClearCache(state, view);
    EXPECT_EQ(view.boxes.size(), 2u);
    EXPECT_EQ(view.boxes[1].title, "Clear Cache");
    EXPECT_EQ(view.labels[DataLabel::FileCount], "0");
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
    const auto game = [&] {
        auto files = prefix.Snapshot();
        std::erase_if(files, [](const auto& f) { return f.first.find("Games/Orvane/Cache/") != std::string::npos; });
        return files;
    };
    const auto before = game();

    ASSERT_TRUE(StartUp(state, view, CreateFileSystemService()));
    // no journal names the planted cache.bak: the start leaves it alone
    EXPECT_TRUE(fs::is_symlink(prefix.Cache() / "cache.bak"));
    EXPECT_EQ(test::ReadFile(outside), "precious");
    view.selected = "Linked.kmx";
    MoveSelectedMap(state, view);
    MoveAllCached(state, view);
    auto expected = before;
    expected["drive_c/Games/Orvane/Maps/One.kmx"] = "cached A";
    EXPECT_EQ(game(), expected);
    EXPECT_TRUE(fs::is_symlink(prefix.Cache() / "L.uxx"));
    EXPECT_TRUE(fs::is_fifo(prefix.Cache() / "P.uxx"));
    // The links and the pipe stay, reported, with their lines.
    EXPECT_EQ(prefix.ReadIndex(),
              "[Cache]\r\nL=Linked.kmx\r\nD=Dangling.u\r\nP=Pipe.ogg\r\nC=Twin.kmx\r\nE=Pair.u\r\n");

    view.answers = {MsgAnswer::Yes};
    ClearCache(state, view);
    EXPECT_EQ(game(), expected);
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
        view.selected = hard ? "Two.kmx" : "One.kmx";
        MoveSelectedMap(state, view);
    }
    EXPECT_EQ(test::ReadFile(outside), "precious");
    EXPECT_EQ(test::ReadFile(prefix.Game() / "Maps" / "Own.kmx"), "mine");
    EXPECT_FALSE(fs::is_symlink(prefix.Cache() / "cache.ini"));
    EXPECT_EQ(prefix.ReadIndex(), "[Cache]\r\n");
}
#endif

} // namespace
} // namespace ovcache
