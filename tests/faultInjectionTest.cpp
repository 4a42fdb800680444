// Every file operation of a Move, a Move All and a Clear Cache is made to
// fail, one at a time, and the command is also stopped dead at each of them
// as a crash would. Whatever happens, no cached file or map may be lost or
// duplicated, no cached file may lose its line, nothing outside the game's
// folders may change, and after a crash the next start and one command
// leave the index in agreement with the cache and nothing behind.
#include "catalogue/cacheIndex.h"
#include "catalogue/commands.h"
#include "testSupport.h"

#include <gtest/gtest.h>

namespace ovcache {
namespace {

using test::FakeView;
using test::ReadFile;
using test::TempPrefix;
using test::WriteFile;
namespace fs = std::filesystem;

struct Crash {};

class FaultyFileSystem final : public FileSystemService {
public:
    FaultyFileSystem(int failAt, int crashAt) : failAt_(failAt), crashAt_(crashAt) {}
    int Steps() const { return steps_; }

    bool FileExists(const std::string& p) override { return real_->FileExists(p); }
    bool FolderExists(const std::string& p) override { return real_->FolderExists(p); }
    bool IsReadOnly(const std::string& p) override { return real_->IsReadOnly(p); }
    FileCollection ListFiles(const std::string& f) override { return Step("List", f), real_->ListFiles(f); }
    FolderMeasure Measure(const std::string& f) override { return Step("Size", f), real_->Measure(f); }
    void DeleteOneFile(const std::string& s, bool force) override { Step("Delete", s), real_->DeleteOneFile(s, force); }
    void MoveFile(const std::string& a, const std::string& b) override { Step("Move", a), real_->MoveFile(a, b); }
    std::string ReadTextFile(const std::string& p) override { return Step("Read", p), real_->ReadTextFile(p); }
    void WriteTextFile(const std::string& p, const std::string& t) override
    {
        Step("Write", p), real_->WriteTextFile(p, t);
    }
    void ReplaceFile(const std::string& a, const std::string& b) override
    {
        Step("Replace", b), real_->ReplaceFile(a, b);
    }
    void Flush() override { Step("Flush", ""), real_->Flush(); }
    void BeginBatch() override { real_->BeginBatch(); }
    void EndBatch() override { real_->EndBatch(); }

private:
    void Step(const char* op, const std::string& path)
    {
        ++steps_;
        if (steps_ == crashAt_)
            throw Crash{};
        if (steps_ == failAt_)
            throw FileSystemError(op, path, FsErrorKind::Other, "Injected failure");
    }
    std::unique_ptr<FileSystemService> real_ = CreateFileSystemService();
    int failAt_, crashAt_, steps_ = 0;
};

struct Entry {
    std::string key, name, folder; // folder "" when no rule places it
};

const std::vector<Entry> kEntries = {
    {"A", "Arena.kmx", "Maps"}, {"B", "Bot.u", "System"},  {"C", "Song.ogg", "Music"}, {"D", "Boom.uax", "Sounds"},
    {"E", "Rock.utx", ""},      {"F", "Fort.kmx", "Maps"}, {"G", "Gear.u", "System"},  {"H", "Hymn.ogg", "Music"},
};

enum class Command { Move, MoveAll, Clear };

class FaultInjection : public ::testing::TestWithParam<Command> {
protected:
    void Build()
    {
        prefix.reset(); // its end restores the environment the next one changes
        prefix = std::make_unique<TempPrefix>();
        prefix->MakeGame();
        WriteFile(prefix->Game() / "Maps" / "Arena.kmx", "mine");
        WriteFile(prefix->Drive() / "elsewhere.txt", "untouched");
        std::vector<std::string> lines{"[Cache]"};
        for (const Entry& e : kEntries) {
            lines.push_back(e.key + "=" + e.name);
            prefix->AddCached(e.key);
        }
        prefix->WriteIndex(lines);
        prefix->AddCached("Orphan");
    }

    // Runs the command with the k-th operation failing or crashing; returns the
    // number of operations it made.
    int Run(int failAt, int crashAt)
    {
        WorkingState state;
        FakeView view;
        auto faulty = std::make_unique<FaultyFileSystem>(failAt, crashAt);
        FaultyFileSystem* fs = faulty.get();
        state.objFSO = std::move(faulty);
        state.strGameFolder = prefix->GameWin();
        state.strCachePath = prefix->CacheWin();
        view.selected = "Arena.kmx";
        view.answers = {vbYes, vbYes, vbYes};
        try {
            if (GetParam() == Command::Move)
                cmdMove_Click(state, view);
            else if (GetParam() == Command::MoveAll)
                cmdMoveAll_Click(state, view);
            else
                cmdClear_Click(state, view);
        } catch (const Crash&) {
            crashed = true;
        }
        reported = !view.boxes.empty() && view.boxes.back().icon == MsgIcon::Critical;
        if (!crashed && failAt > 0 && failAt <= fs->Steps()) {
            EXPECT_TRUE(reported) << "failure at step " << failAt << " was not reported";
        }
        return fs->Steps();
    }

    bool CachedFilesLeft() const
    {
        for (const auto& entry : fs::directory_iterator(prefix->Cache()))
            if (entry.path().extension() == ".uxx")
                return true;
        return false;
    }

    void CheckInvariants(const std::string& what)
    {
        SCOPED_TRACE(what);
        if (GetParam() == Command::Clear) {
            // Cleared or not, the game and the rest are as they were, and a
            // cache left part-cleared still has its index.
            EXPECT_EQ(ReadFile(prefix->Drive() / "elsewhere.txt"), "untouched");
            EXPECT_EQ(ReadFile(prefix->Game() / "Maps" / "Arena.kmx"), "mine");
            if (CachedFilesLeft()) {
                EXPECT_TRUE(fs::exists(prefix->Cache() / "cache.ini"));
            }
            return;
        }
        // Outside the cache and the game's four folders nothing changed.
        EXPECT_EQ(ReadFile(prefix->Drive() / "elsewhere.txt"), "untouched");
        for (const auto& [path, content] : prefix->Snapshot()) {
            const bool inside = path.find("Games/Orvane/Cache/") != std::string::npos ||
                                path.find("Games/Orvane/Maps/") != std::string::npos ||
                                path.find("Games/Orvane/System/") != std::string::npos ||
                                path.find("Games/Orvane/Music/") != std::string::npos ||
                                path.find("Games/Orvane/Sounds/") != std::string::npos ||
                                path == prefix->Rel(prefix->Drive() / "elsewhere.txt") || path == "system.reg";
            EXPECT_TRUE(inside) << path;
        }

        const bool indexThere = fs::exists(prefix->Cache() / "cache.ini");
        if (GetParam() == Command::Move) {
            EXPECT_TRUE(indexThere);
        }
        const std::string text = indexThere ? prefix->ReadIndex() : std::string();
        const auto lines = SplitIndexLines(text);
        if (indexThere) {
            EXPECT_EQ(lines.at(0), "[Cache]");
        }
        auto hasLine = [&](const Entry& e) {
            return std::find(lines.begin(), lines.end(), e.key + "=" + e.name) != lines.end();
        };
        for (const Entry& e : kEntries) {
            const bool cached = fs::exists(prefix->Cache() / (e.key + ".uxx"));
            const fs::path target = prefix->Game() / (e.folder.empty() ? "Maps" : e.folder) / e.name;
            const bool placed = !e.folder.empty() && fs::exists(target) && ReadFile(target) == "cached " + e.key;
            EXPECT_NE(cached, placed) << e.name << (cached ? " is in two places" : " is lost");
            // A cached file keeps its line, whatever happened (a crash may
            // leave a line whose file has already gone to the game).
            if (cached) {
                EXPECT_TRUE(indexThere && hasLine(e)) << e.name << " lost its line";
            }
            if (placed && indexThere && !crashed && GetParam() == Command::Move) {
                EXPECT_FALSE(hasLine(e)) << e.name << " was moved but kept its line";
            }
        }
        EXPECT_TRUE(fs::exists(prefix->Cache() / "Orphan.uxx"));
        // The player's own map is still there, or was replaced by the one they
        // said Yes to and kept aside until the end.
        bool mineKept = false;
        for (const auto& entry : fs::directory_iterator(prefix->Game() / "Maps"))
            mineKept = mineKept || ReadFile(entry.path()) == "mine";
        const bool replaced = ReadFile(prefix->Game() / "Maps" / "Arena.kmx") == "cached A";
        EXPECT_TRUE(mineKept || replaced);
        if (!crashed) {
            EXPECT_TRUE(fs::exists(prefix->Game() / "Maps" / "Arena.kmx"));
            // The replaced map is deleted at the end, or the box says it was not.
            EXPECT_TRUE(!fs::exists(prefix->Game() / "Maps" / "Arena.kmx.replaced") || reported);
        }

        // A fresh start on what is on disk works after every Move.
        if (indexThere) {
            WorkingState state;
            FakeView view;
            EXPECT_TRUE(Form_Load(state, view, CreateFileSystemService()));
            EXPECT_TRUE(view.boxes.empty());
        }
    }

    std::unique_ptr<TempPrefix> prefix;
    bool crashed = false;
    bool reported = false;
};

TEST_P(FaultInjection, aFailureAtAnyStepLosesNothing)
{
    Build();
    const int steps = Run(0, 0);
    CheckInvariants("no failure");
    ASSERT_GT(steps, 5);
    for (int k = 1; k <= steps; ++k) {
        Build();
        crashed = false;
        Run(k, 0);
        CheckInvariants("failure at step " + std::to_string(k));
    }
}

// After the crash, a fresh start and a Move All: the index names only files
// in the cache, and no "cache.bak" or set-aside map is left.
void CheckRepaired(const TempPrefix& prefix)
{
    WorkingState state;
    FakeView view;
    view.answers = {vbYes, vbYes, vbYes};
    if (!Form_Load(state, view, CreateFileSystemService()))
        return; // a cache cleared whole has no index; nothing to repair
    EXPECT_FALSE(fs::exists(prefix.Cache() / "cache.bak"));
    for (const auto& entry : fs::directory_iterator(prefix.Game() / "Maps"))
        EXPECT_EQ(entry.path().string().find(".replaced"), std::string::npos) << entry.path();
    cmdMoveAll_Click(state, view);
    if (fs::exists(prefix.Cache() / "cache.ini")) {
        const std::string text = prefix.ReadIndex();
        for (const std::string_view line : SplitIndexLines(text)) {
            const std::string_view key = EntryKey(line);
            EXPECT_TRUE(key.empty() || fs::exists(prefix.Cache() / (std::string(key) + ".uxx"))) << line;
        }
    }
}

TEST_P(FaultInjection, aCrashAtAnyStepLosesNothingAndIsRepaired)
{
    Build();
    const int steps = Run(0, 0);
    for (int k = 1; k <= steps; ++k) {
        Build();
        crashed = false;
        Run(0, k);
        EXPECT_TRUE(crashed);
        CheckInvariants("crash at step " + std::to_string(k));
        SCOPED_TRACE("repair after a crash at step " + std::to_string(k));
        CheckRepaired(*prefix);
        if (GetParam() != Command::Clear) {
            CheckInvariants("after the repair");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Commands, FaultInjection, ::testing::Values(Command::Move, Command::MoveAll, Command::Clear),
                         [](const auto& info) {
                             return info.param == Command::Move      ? "Move"
                                    : info.param == Command::MoveAll ? "MoveAll"
                                                                     : "Clear";
                         });

} // namespace
} // namespace ovcache
