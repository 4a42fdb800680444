#include "platform/fileSystem.h"
#include "testSupport.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <thread>
#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace ovcache {
namespace {

using test::MakeHidden;
using test::ReadFile;
using test::TempPrefix;
using test::WriteFile;
namespace fs = std::filesystem;

// The kind of failure an operation answered with.
template <class T> FsErrorKind KindOf(const Outcome<T>& outcome)
{
    if (outcome) {
        ADD_FAILURE() << "no failure";
        return FsErrorKind::Other;
    }
    EXPECT_FALSE(outcome.Failure().Reason().empty());
    return outcome.Failure().Kind();
}
// The value of an operation that must succeed.
template <class T> T Ok(Outcome<T> outcome)
{
    if (!outcome)
        ADD_FAILURE() << outcome.Failure().what();
    if constexpr (!std::is_void_v<T>)
        return outcome ? std::move(*outcome) : T{};
}

class FileSystemTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        prefix.MakeGame();
        fso = CreateFileSystemService();
    }
    std::string Win(const std::string& rest) const { return prefix.GameWin() + "\\" + rest; }
    TempPrefix prefix;
    std::unique_ptr<FileSystemService> fso;
};

TEST_F(FileSystemTest, moveTakesTheDestinationNameAndNeverReplaces)
{
    WriteFile(prefix.Cache() / "A.uxx", "map");
    Ok(fso->TryRename(Win("Cache\\A.uxx"), Win("Maps\\Arena.kmx")));
    EXPECT_EQ(ReadFile(prefix.Game() / "Maps" / "Arena.kmx"), "map");
    EXPECT_FALSE(fs::exists(prefix.Cache() / "A.uxx"));

    WriteFile(prefix.Cache() / "B.uxx", "new");
    EXPECT_EQ(KindOf(fso->TryRename(Win("Cache\\B.uxx"), Win("Maps\\Arena.kmx"))), FsErrorKind::AlreadyExists);
    EXPECT_EQ(ReadFile(prefix.Game() / "Maps" / "Arena.kmx"), "map");
    EXPECT_EQ(ReadFile(prefix.Cache() / "B.uxx"), "new");

    EXPECT_EQ(KindOf(fso->TryRename(Win("Cache\\Gone.uxx"), Win("Maps\\X.kmx"))), FsErrorKind::NotFound);
    EXPECT_EQ(KindOf(fso->TryRename(Win("Cache\\B.uxx"), Win("NoFolder\\X.kmx"))), FsErrorKind::NotFound);
    EXPECT_TRUE(fs::exists(prefix.Cache() / "B.uxx"));
}

TEST_F(FileSystemTest, deleteRefusesReadOnlyFilesUnlessForced)
{
    WriteFile(prefix.Cache() / "R.uxx", "r");
    fs::permissions(prefix.Cache() / "R.uxx", fs::perms::owner_read | fs::perms::group_read);
    EXPECT_TRUE(fso->IsReadOnly(Win("Cache\\R.uxx")));
    EXPECT_EQ(KindOf(fso->TryDeleteFile(Win("Cache\\R.uxx"))), FsErrorKind::AccessDenied);
    EXPECT_TRUE(fs::exists(prefix.Cache() / "R.uxx"));
    Ok(fso->TryDeleteFile(Win("Cache\\R.uxx"), true));
    EXPECT_FALSE(fs::exists(prefix.Cache() / "R.uxx"));
    EXPECT_EQ(KindOf(fso->TryDeleteFile(Win("Cache\\R.uxx"), true)), FsErrorKind::NotFound);
}

TEST_F(FileSystemTest, wildcardDeletesEveryFileDirectlyInTheFolder)
{
    WriteFile(prefix.Cache() / "cache.ini", "[Cache]\r\n");
    WriteFile(prefix.Cache() / "A.uxx", "a");
    WriteFile(prefix.Cache() / "NoDot", "n");
    fs::create_directories(prefix.Cache() / "Sub");
    WriteFile(prefix.Cache() / "Sub" / "keep.txt", "k");
    Ok(fso->TryDeleteFile(prefix.CacheWin() + "\\*.*", true));
    EXPECT_EQ(std::distance(fs::directory_iterator(prefix.Cache()), fs::directory_iterator()), 1);
    EXPECT_TRUE(fs::exists(prefix.Cache() / "Sub" / "keep.txt"));
    EXPECT_EQ(KindOf(fso->TryDeleteFile(prefix.CacheWin() + "\\*.*", true)), FsErrorKind::NothingMatched);

    WriteFile(prefix.Cache() / "a.UXX", "a");
    WriteFile(prefix.Cache() / "b.ini", "b");
    Ok(fso->TryDeleteFile(prefix.CacheWin() + "\\?.uxx"));
    EXPECT_FALSE(fs::exists(prefix.Cache() / "a.UXX"));
    EXPECT_TRUE(fs::exists(prefix.Cache() / "b.ini"));

    // Names that differ only in case can both be here: each goes, the last.
    WriteFile(prefix.Cache() / "cache.ini", "i");
    WriteFile(prefix.Cache() / "CACHE.INI", "I");
    Ok(fso->TryDeleteFile(prefix.CacheWin() + "\\*.*", true, "cache.ini"));
    EXPECT_EQ(std::distance(fs::directory_iterator(prefix.Cache()), fs::directory_iterator()), 1);
}

TEST_F(FileSystemTest, wildcardGoesOnPastAFileItCannotDelete)
{
    WriteFile(prefix.Cache() / "A.uxx", "a");
    WriteFile(prefix.Cache() / "B.uxx", "b");
    fs::permissions(prefix.Cache() / "A.uxx", fs::perms::owner_read);
    EXPECT_EQ(KindOf(fso->TryDeleteFile(prefix.CacheWin() + "\\*.uxx")), FsErrorKind::AccessDenied);
    EXPECT_TRUE(fs::exists(prefix.Cache() / "A.uxx"));
    EXPECT_FALSE(fs::exists(prefix.Cache() / "B.uxx"));
}

TEST_F(FileSystemTest, filesAreASnapshotWithFullPathsAndTheSizeCountsEverything)
{
    WriteFile(prefix.Cache() / "cache.ini", "0123456789");
    WriteFile(prefix.Cache() / "B.uxx", std::string(1000, 'b'));
    WriteFile(prefix.Cache() / u8"caf\u00E9.uxx", "cc");
    fs::create_directories(prefix.Cache() / "Sub");
    WriteFile(prefix.Cache() / "Sub" / "deep", std::string(100, 'd'));

    const FileCollection files = Ok(fso->TryListFiles(prefix.CacheWin()));
    ASSERT_EQ(files.Count(), 3u);
    std::vector<std::string> paths(files.begin(), files.end());
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths, (std::vector<std::string>{prefix.CacheWin() + "\\B.uxx", prefix.CacheWin() + "\\cache.ini",
                                               prefix.CacheWin() + "\\caf\u00E9.uxx"}));
    const FolderMeasure measure = Ok(fso->TryMeasure(prefix.CacheWin()));
    EXPECT_EQ(measure.files, 3u);
    EXPECT_EQ(measure.bytes, 1112u);

    fs::remove(prefix.Cache() / "B.uxx");
    EXPECT_EQ(files.Count(), 3u); // taken when it was asked for
    EXPECT_EQ(KindOf(fso->TryMeasureLater(prefix.GameWin() + "\\Nowhere").Get()), FsErrorKind::NotFound);
}

// Large folders are measured on several cores at once; nothing may be
// counted twice or missed.
TEST_F(FileSystemTest, aLargeFolderIsMeasuredWhole)
{
    for (int k = 0; k < 5000; ++k)
        WriteFile(prefix.Cache() / (std::to_string(k) + ".uxx"), std::string(static_cast<std::size_t>(k % 7), 'x'));
    fs::create_directories(prefix.Cache() / "Sub");
    WriteFile(prefix.Cache() / "Sub" / "deep", "12345");
    const FolderMeasure measure = Ok(fso->TryMeasureLater(prefix.CacheWin()).Get());
    EXPECT_EQ(measure.files, 5000u);
    std::uint64_t bytes = 5;
    for (int k = 0; k < 5000; ++k)
        bytes += static_cast<std::uint64_t>(k % 7);
    EXPECT_EQ(measure.bytes, bytes);
}

// Files are found by their name as given first and otherwise without regard
// to case, whether or not the folder has been read before.
TEST_F(FileSystemTest, filesAreFoundWithoutRegardToCaseForEveryOperation)
{
    WriteFile(prefix.Cache() / "a.UXX", "a");
    WriteFile(prefix.Cache() / "b.Uxx", "b");
    WriteFile(prefix.Cache() / "c.uXX", "c");
    WriteFile(prefix.Cache() / "Index.INI", "i");
    EXPECT_EQ(Ok(fso->TryReadTextFile(Win("Cache\\index.ini"))), "i");
    Ok(fso->TryRename(Win("Cache\\A.uxx"), Win("Maps\\A.kmx")));
    EXPECT_EQ(ReadFile(prefix.Game() / "Maps" / "A.kmx"), "a");
    Ok(fso->TryDeleteFile(Win("Cache\\B.UXX")));
    EXPECT_FALSE(fs::exists(prefix.Cache() / "b.Uxx"));
    fso->BeginBatch();
    Ok(fso->TryRename(Win("Cache\\C.UXX"), Win("Maps\\C.kmx")));
    EXPECT_EQ(ReadFile(prefix.Game() / "Maps" / "C.kmx"), "c");
    EXPECT_EQ(KindOf(fso->TryRename(Win("Cache\\C.uxx"), Win("Maps\\D.kmx"))), FsErrorKind::NotFound);
    fso->EndBatch();
}

// Inside a batch the program counts on its own record of a folder; a new
// batch, or none, looks at the folder again and sees what others changed.
TEST_F(FileSystemTest, aNewBatchSeesWhatOthersChangedMeanwhile)
{
    WriteFile(prefix.Cache() / "A.uxx", "a");
    WriteFile(prefix.Cache() / "B.uxx", "b");
    WriteFile(prefix.Cache() / "C.uxx", "c");
    const FileSystemBatch batch(*fso);
    Ok(fso->TryRename(Win("Cache\\A.uxx"), Win("Maps\\Arena.kmx")));
    EXPECT_EQ(KindOf(fso->TryRename(Win("Cache\\B.uxx"), Win("Maps\\ARENA.KMX"))), FsErrorKind::AlreadyExists);

    WriteFile(prefix.Game() / "Maps" / "Other.kmx", "theirs");
    fso->BeginBatch();
    EXPECT_EQ(KindOf(fso->TryRename(Win("Cache\\B.uxx"), Win("Maps\\other.KMX"))), FsErrorKind::AlreadyExists);
    fs::remove(prefix.Game() / "Maps" / "Arena.kmx");
    fso->EndBatch();
    Ok(fso->TryRename(Win("Cache\\C.uxx"), Win("Maps\\ARENA.kmx")));
    EXPECT_EQ(ReadFile(prefix.Game() / "Maps" / "ARENA.kmx"), "c");
    EXPECT_EQ(ReadFile(prefix.Game() / "Maps" / "Other.kmx"), "theirs");
    EXPECT_EQ(ReadFile(prefix.Cache() / "B.uxx"), "b");
}

TEST_F(FileSystemTest, fileExistsOnlyForOrdinaryFilesInAnyCase)
{
    WriteFile(prefix.Cache() / "cache.ini", "x");
    WriteFile(prefix.Cache() / "hidden", "x");
    const std::string hidden = MakeHidden(prefix.Cache() / "hidden").filename().string();
    EXPECT_TRUE(fso->FileExists(prefix.CacheWin() + "\\CACHE.INI"));
    EXPECT_FALSE(fso->FileExists(prefix.CacheWin()));
    EXPECT_FALSE(fso->FileExists(prefix.CacheWin() + "\\" + hidden));
    EXPECT_FALSE(fso->FileExists(prefix.CacheWin() + "\\none"));
    EXPECT_TRUE(fso->FolderExists(prefix.GameWin() + "\\maps"));
}

TEST_F(FileSystemTest, writeThenReplaceSwapsTheIndexWhole)
{
    WriteFile(prefix.Cache() / "cache.ini", "old");
    Ok(fso->TryWriteTextFile(prefix.CacheWin() + "\\cache.bak", "new\r\n"));
    Ok(fso->TryReplaceFile(prefix.CacheWin() + "\\cache.bak", prefix.CacheWin() + "\\cache.ini"));
    EXPECT_EQ(ReadFile(prefix.Cache() / "cache.ini"), "new\r\n");
    EXPECT_FALSE(fs::exists(prefix.Cache() / "cache.bak"));
    EXPECT_EQ(Ok(fso->TryReadTextFile(prefix.CacheWin() + "\\Cache.ini")), "new\r\n");
    EXPECT_EQ(KindOf(fso->TryReadTextFile(prefix.CacheWin() + "\\none.ini")), FsErrorKind::NotFound);
}

TEST_F(FileSystemTest, writeIntoAReadOnlyFolderFailsCleanly)
{
#ifdef _WIN32
    GTEST_SKIP() << "A Windows folder's read-only attribute does not stop writes into it";
#else
    const auto write = [&] { return fso->TryWriteTextFile(prefix.CacheWin() + "\\cache.bak", "x"); };
    if (::geteuid() != 0) {
        fs::permissions(prefix.Cache(), fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_EQ(KindOf(write()), FsErrorKind::AccessDenied);
        return;
    }
    // root writes into any folder: the write is tried by another user, who
    // may only read it, in a process of its own.
    const auto readable = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                          fs::perms::others_read | fs::perms::others_exec;
    for (fs::path folder = prefix.Cache(); folder != prefix.Root().parent_path(); folder = folder.parent_path())
        fs::permissions(folder, readable);
    const pid_t child = ::fork();
    if (child == 0) {
        constexpr uid_t kNobody = 65534;
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            ::_exit(2);
        if (!fso->FolderExists(prefix.CacheWin()))
            ::_exit(3); // the folder itself must be there to be refused
        ::_exit(KindOf(write()) == FsErrorKind::AccessDenied ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    EXPECT_FALSE(fs::exists(prefix.Cache() / "cache.bak"));
#endif
}

} // namespace
} // namespace ovcache

namespace ovcache {
namespace {

// A move to another file system is refused whole, for the caller to copy;
// a copy never replaces and is whole or not there.
TEST_F(FileSystemTest, moveAcrossFileSystemsIsRefusedAndCopyingKeepsTheSource)
{
#ifdef _WIN32
    GTEST_SKIP() << "Needs a second file system mounted beside the prefix (/dev/shm)";
#else
    struct stat here {
    }, there{};
    if (::stat("/dev/shm", &there) != 0 || ::stat(prefix.Root().c_str(), &here) != 0 || here.st_dev == there.st_dev)
        GTEST_SKIP() << "/dev/shm is not a separate file system here";
    const fs::path other = fs::path("/dev/shm") / ("ovcache-test-" + std::to_string(::getpid()));
    fs::create_directories(other / "Maps");
    fs::create_directory_symlink(other, prefix.Root() / "dosdevices" / "d:");
    const std::string content(300000, 'x');
    WriteFile(prefix.Cache() / "A.uxx", content);
    WriteFile(other / "Maps" / "Taken.kmx", "mine");

    EXPECT_EQ(KindOf(fso->TryRename(Win("Cache\\A.uxx"), "D:\\Maps\\Arena.kmx")), FsErrorKind::CrossVolume);
    EXPECT_FALSE(fs::exists(other / "Maps" / "Arena.kmx"));
    Ok(fso->TryCopyFile(Win("Cache\\A.uxx"), "D:\\Maps\\Arena.kmx"));
    EXPECT_EQ(ReadFile(other / "Maps" / "Arena.kmx"), content);
    EXPECT_EQ(ReadFile(prefix.Cache() / "A.uxx"), content);
    EXPECT_TRUE(Ok(fso->TrySameContent(Win("Cache\\A.uxx"), "D:\\Maps\\Arena.kmx")));
    // the copy carries its source's time, by which the repair knows it complete
    EXPECT_EQ(fso->IdentityOf("D:\\Maps\\Arena.kmx")->written, fso->IdentityOf(Win("Cache\\A.uxx"))->written);
    EXPECT_FALSE(Ok(fso->TrySameContent(Win("Cache\\A.uxx"), "D:\\Maps\\Taken.kmx")));

    EXPECT_EQ(KindOf(fso->TryCopyFile(Win("Cache\\A.uxx"), "D:\\Maps\\Taken.kmx")), FsErrorKind::AlreadyExists);
    EXPECT_EQ(ReadFile(other / "Maps" / "Taken.kmx"), "mine");
    EXPECT_EQ(KindOf(fso->TryCopyFile(Win("Cache\\A.uxx"), "D:\\NoFolder\\B.kmx")), FsErrorKind::NotFound);
    fs::remove_all(other);
#endif
}

// One holder at a time, in this process too; a link of the lock's name is
// never followed; the journal is appended to, never written through a link.
TEST_F(FileSystemTest, aLockHasOneHolderAndFollowsNoLink)
{
    const std::string lock = Win("Game.lock");
    {
        const auto held = Ok(fso->TryLock(lock));
        ASSERT_NE(held, nullptr);
        EXPECT_EQ(Ok(CreateFileSystemService()->TryLock(lock)), nullptr);
    }
    EXPECT_NE(Ok(CreateFileSystemService()->TryLock(lock)), nullptr);
    Ok(fso->TryAppendTextFile(Win("Journal"), "one\n"));
    Ok(fso->TryAppendTextFile(Win("Journal"), "two\n"));
    EXPECT_EQ(ReadFile(prefix.Game() / "Journal"), "one\ntwo\n");
    // A line torn by a crash while it was appended is cut away first, so
    // that the next entry starts on a line of its own.
    WriteFile(prefix.Game() / "Journal", "one\ntw");
    Ok(fso->TryAppendTextFile(Win("Journal"), "three\n"));
    EXPECT_EQ(Ok(fso->TryReadOwnFile(Win("Journal"))), "one\nthree\n");
    WriteFile(prefix.Game() / "Torn", std::string(10000, 'x'));
    Ok(fso->TryAppendTextFile(Win("Torn"), "whole\n"));
    EXPECT_EQ(ReadFile(prefix.Game() / "Torn"), "whole\n");

    // Another file with the journal's or the lock's name is never opened as
    // one of the program's own, nor written through, nor waited on.
    const fs::path outside = prefix.Drive() / "outside.txt";
    WriteFile(outside, "the player's");
    fs::create_hard_link(outside, prefix.Game() / "Hard.journal");
    fs::create_directory(prefix.Game() / "Folder.journal");
    std::vector<std::string> names = {"Hard.journal", "Folder.journal"};
#ifndef _WIN32
    fs::create_symlink(outside, prefix.Game() / "Linked.journal");
    ASSERT_EQ(::mkfifo((prefix.Game() / "Pipe.journal").c_str(), 0644), 0);
    names.insert(names.end(), {"Linked.journal", "Pipe.journal"});
#endif
    for (const std::string& name : names) {
        EXPECT_EQ(KindOf(fso->TryLock(Win(name))), FsErrorKind::NotRegular) << name;
        EXPECT_EQ(KindOf(fso->TryAppendTextFile(Win(name), "x\n")), FsErrorKind::NotRegular) << name;
        EXPECT_EQ(KindOf(fso->TryReadOwnFile(Win(name))), FsErrorKind::NotRegular) << name;
    }
    EXPECT_EQ(ReadFile(outside), "the player's");
}

// The two builds on one Wine prefix (run by the Windows test script): one
// holds a lock until its marker file is removed, the other is refused it.
TEST(LockAgreement, whatTheOtherBuildHoldsIsRefused)
{
    const char* hold = std::getenv("OVCACHE_LOCK_HOLD");
    const char* refuse = std::getenv("OVCACHE_LOCK_REFUSE");
    if (!hold && !refuse)
        GTEST_SKIP() << "Run with the other build by scripts/test-windows.sh";
    const auto fso = CreateFileSystemService();
    if (refuse) {
        EXPECT_EQ(Ok(fso->TryLock(refuse)), nullptr);
        return;
    }
    const auto held = Ok(fso->TryLock(hold));
    ASSERT_NE(held, nullptr);
    const std::string marker = std::string(hold) + ".held";
    Ok(fso->TryAppendTextFile(marker, "held\n"));
    for (int wait = 0; wait < 600 && fso->PathExists(marker); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(fso->PathExists(marker));
}

} // namespace
} // namespace ovcache
