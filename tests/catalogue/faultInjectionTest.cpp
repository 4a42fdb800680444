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
#include <iostream>

namespace ovcache {
namespace {

using test::ReadFile;
using test::TempPrefix;
using test::WriteFile;
namespace fs = std::filesystem;

struct Crash {};

class FaultyFileSystem final : public FileSystemService {
public:
    FaultyFileSystem(int failAt, int crashAt, bool acrossVolumes)
        : failAt_(failAt), crashAt_(crashAt), across_(acrossVolumes)
    {
    }
    int Steps() const { return steps_; }
    std::string failedOp, failedPath;
    // Runs before the step of that number is taken.
    std::function<void(int step)> beforeStep;
    // Changes below this path are refused, as Windows refuses a standard
    // user the folders under Program Files.
    std::string deniedUnder;

    bool FileExists(const std::string& p) override { return real_->FileExists(p); }
    // A look where a decision rests on it, which may fail like any step.
    Outcome<bool> LookForFile(const std::string& p) override
    {
        return Catching([&] { return Step("Look", p), Raise(real_->LookForFile(p)); });
    }
    bool FolderExists(const std::string& p) override { return real_->FolderExists(p); }
    bool IsReadOnly(const std::string& p) override { return real_->IsReadOnly(p); }
    bool PathExists(const std::string& p) override { return real_->PathExists(p); }
    std::optional<FileIdentity> IdentityOf(const std::string& p) override { return real_->IdentityOf(p); }
    Outcome<bool> TrySameContent(const std::string& a, const std::string& b) override
    {
        return real_->TrySameContent(a, b);
    }
    Outcome<void> TryVisitFiles(const std::string& f, const NameSink& take) override
    {
        return Catching([&] { Step("List", f), Raise(real_->TryVisitFiles(f, take)); });
    }
    Outcome<FolderMeasure> TryMeasure(const std::string& f) override
    {
        return Catching([&] { return Step("Size", f), Raise(real_->TryMeasure(f)); });
    }
    PendingMeasure TryMeasureLater(const std::string& f) override { return PendingMeasure(TryMeasure(f)); }
    Outcome<void> TryDeleteOneFile(const std::string& s, bool force) override
    {
        return Catching([&] { Step("Delete", s), Raise(real_->TryDeleteOneFile(s, force)); });
    }
    Outcome<void> TryRename(const std::string& a, const std::string& b) override
    {
        return Catching([&] {
            Step("Move", a);
            Deny("MoveFile", b);
            // The cache and the game's folders as if on two disks.
            if (across_ && (a.find("\\Cache\\") == std::string::npos) != (b.find("\\Cache\\") == std::string::npos))
                throw FileSystemError("MoveFile", b, FsErrorKind::CrossVolume, "Another volume");
            Raise(real_->TryRename(a, b));
        });
    }
    Outcome<void> TryCreateFolder(const std::string& p) override
    {
        return Catching([&] { Step("Mkdir", p), Raise(real_->TryCreateFolder(p)); });
    }
    Outcome<void> TryCopyFile(const std::string& a, const std::string& b, const CreatedFn& created) override
    {
        return Catching([&] { Step("Copy", a), Raise(real_->TryCopyFile(a, b, created)); });
    }
    Outcome<void> TryReadText(const std::string& p, const TextSink& take) override
    {
        return Catching([&] { Step("Read", p), Raise(real_->TryReadText(p, take)); });
    }
    Outcome<std::string> TryReadOwnFile(const std::string& p) override
    {
        return Catching([&] { return Step("Read", p), Raise(real_->TryReadOwnFile(p)); });
    }
    Outcome<void> TryWriteTextFile(const std::string& p, const std::string& t, const CreatedFn& created) override
    {
        return Catching([&] { Step("Write", p), Raise(real_->TryWriteTextFile(p, t, created)); });
    }
    Outcome<void> TryAppendTextFile(const std::string& p, const std::string& t, bool flush) override
    {
        return Catching([&] { Step("Append", p), Raise(real_->TryAppendTextFile(p, t, flush)); });
    }
    Outcome<void> TryReplaceFile(const std::string& a, const std::string& b) override
    {
        return Catching([&] { Step("Replace", b), Raise(real_->TryReplaceFile(a, b)); });
    }
    Outcome<void> TryFlush() override
    {
        return Catching([&] { Step("Flush", ""), Raise(real_->TryFlush()); });
    }
    Outcome<std::unique_ptr<FileLock>> TryLock(const std::string& p) override
    {
        return Catching([&] { return Step("Lock", p), Raise(real_->TryLock(p)); });
    }
    void BeginBatch() override { real_->BeginBatch(); }
    void EndBatch() override { real_->EndBatch(); }

private:
    void Deny(const char* op, const std::string& path) const
    {
        if (!deniedUnder.empty() && path.starts_with(deniedUnder))
            throw FileSystemError(op, path, FsErrorKind::AccessDenied, "Access is denied.");
    }
    void Step(const char* op, const std::string& path)
    {
        if (std::string_view(op) != "List" && std::string_view(op) != "Read" && std::string_view(op) != "Size" &&
            std::string_view(op) != "Look")
            Deny(op, path);
        ++steps_;
        if (beforeStep)
            beforeStep(steps_);
        if (steps_ == crashAt_)
            throw Crash{};
        if (steps_ == failAt_) {
            failedOp = op;
            failedPath = path;
            throw FileSystemError(op, path, FsErrorKind::Other, "Injected failure");
        }
    }
    std::unique_ptr<FileSystemService> real_ = CreateFileSystemService();
    int failAt_, crashAt_;
    bool across_;
    int steps_ = 0;
};

struct Entry {
    std::string key, name, folder; // folder "" when no rule places it
};

const std::vector<Entry> kEntries = {
    {"A", "Arena.kmx", "Maps"}, {"B", "Bot.u", "System"},  {"C", "Song.ogg", "Music"}, {"D", "Boom.uax", "Sounds"},
    {"E", "Rock.utx", ""},      {"F", "Fort.kmx", "Maps"}, {"G", "Gear.u", "System"},  {"H", "Hymn.ogg", "Music"},
};

enum class Command { Move, MoveAll, Clear };

struct Case {
    Command command;
    bool acrossVolumes; // the game's folders on another disk than the cache
    // The answer when a map of a cached one's name is there ("--existing").
    ExistingMap answer = ExistingMap::Replace;
};

const char* AnswerName(ExistingMap answer)
{
    return answer == ExistingMap::Replace ? "" : answer == ExistingMap::Keep ? "Keeping" : "Discarding";
}

void PrintTo(const Case& c, std::ostream* out)
{
    *out << static_cast<int>(c.command) << (c.acrossVolumes ? " across volumes " : " ") << AnswerName(c.answer);
}

// What the sweeps found, for the record: every count but the first must be 0.
struct Tally {
    int points = 0, filesLost = 0, namesLost = 0, mapsLost = 0, leftovers = 0, listedGone = 0;
};

CommandResult RunCommand(Command command, const OpenedGame& game, Decisions& decisions)
{
    if (command == Command::Move)
        return MoveSelectedMap(game, "Arena.kmx", decisions);
    if (command == Command::MoveAll)
        return MoveAllCached(game, decisions);
    return ClearCache(game, decisions);
}

// The same answer to every question; Yes, as in the window, unless said.
test::Answers Yes(ExistingMap answer = ExistingMap::Replace)
{
    test::Answers answers;
    answers.byPath = [answer](const std::string&) { return answer; };
    return answers;
}

// The game as the start opens it, on a file service of the test's.
OpenedGame GameOn(std::shared_ptr<FileSystemService> files, const TempPrefix& prefix)
{
    return OpenedGame(std::move(files), GameFolders{prefix.GameWin(), {}, prefix.CacheWin()},
                      GameOptions().lockPatience);
}

class FaultInjection : public ::testing::TestWithParam<Case> {
protected:
    Command Param() const { return GetParam().command; }
    void TearDown() override
    {
        std::cout << "[ figures  ] " << tally.points << " points, files lost " << tally.filesLost << ", names lost "
                  << tally.namesLost << ", player maps lost " << tally.mapsLost << ", leftovers after the next start "
                  << tally.leftovers << ", maps listed that are gone " << tally.listedGone << "\n";
    }

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

    // Runs the command with the k-th operation failing or crashing, and
    // another copy's start or command just before step secondAt; returns the
    // number of operations it made.
    int Run(int failAt, int crashAt, int secondAt = 0, Command second = Command::Clear)
    {
        ++tally.points;
        auto faulty = std::make_shared<FaultyFileSystem>(failAt, crashAt, GetParam().acrossVolumes);
        FaultyFileSystem* fs = faulty.get();
        fs->beforeStep = [&](int step) {
            if (step != secondAt)
                return;
            GameOptions impatient;
            impatient.lockPatience = {};
            const Opening other = OpenGame(CreateFileSystemService(), "", {}, true, impatient);
            test::Answers yes = Yes();
            secondShut = other.repair == Ending::Busy;
            if (other.result.ending == Ending::Done)
                secondShut = RunCommand(second, other.game, yes).ending == Ending::Busy && secondShut;
        };
        const OpenedGame game = GameOn(faulty, *prefix);
        test::Answers answers = Yes(GetParam().answer);
        CommandResult result;
        try {
            result = RunCommand(Param(), game, answers);
        } catch (const Crash&) {
            crashed = true;
        }
        reported = !result.report.Empty();
        // The journal's own removal may fail unsaid: it is left for the next
        // start, which settles it again.
        injected = failAt > 0 && failAt <= fs->Steps();
        const bool journalEnd = fs->failedOp != "Append" && fs->failedPath.ends_with("OrvaneCacheImporter.journal");
        if (!crashed && injected && !journalEnd) {
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
        if (Param() == Command::Clear) {
            // Cleared or not, the game and the rest are as they were, and a
            // cache left part-cleared still has its index.
            EXPECT_EQ(ReadFile(prefix->Drive() / "elsewhere.txt"), "untouched");
            EXPECT_EQ(ReadFile(prefix->Game() / "Maps" / "Arena.kmx"), "mine");
            tally.mapsLost += ReadFile(prefix->Game() / "Maps" / "Arena.kmx") != "mine";
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
                                path == prefix->Rel(prefix->Drive() / "elsewhere.txt") || path == "system.reg" ||
                                ((crashed || injected) && path.ends_with("Games/Orvane/OrvaneCacheImporter.journal"));
            EXPECT_TRUE(inside) << path;
        }

        const bool indexThere = fs::exists(prefix->Cache() / "cache.ini");
        if (Param() == Command::Move) {
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
            // Until the next start, a crash between a copy's arrival and the
            // source's removal leaves both, and the journal lists them.
            // A map the player said No to goes from the cache, and theirs stays.
            const bool discarded = GetParam().answer == ExistingMap::Discard && e.name == "Arena.kmx";
            if (!(cached && placed && crashed && !repaired && GetParam().acrossVolumes) && !discarded) {
                EXPECT_NE(cached, placed) << e.name << (cached ? " is in two places" : " is lost");
            }
            tally.filesLost += !cached && !placed && !discarded;
            tally.leftovers += cached && placed && repaired;
            // A cached file keeps its line, whatever happened (a crash may
            // leave a line whose file has already gone to the game, and a
            // file the player said No to for the next start to delete).
            if (cached && !(discarded && crashed && !repaired)) {
                EXPECT_TRUE(indexThere && hasLine(e)) << e.name << " lost its line";
                tally.namesLost += !(indexThere && hasLine(e));
            }
            if (placed && indexThere && !crashed && Param() == Command::Move) {
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
        tally.mapsLost += !(mineKept || replaced);
        if (!crashed) {
            EXPECT_TRUE(fs::exists(prefix->Game() / "Maps" / "Arena.kmx"));
            // The replaced map is deleted at the end, or the box says it was not.
            EXPECT_TRUE(!fs::exists(prefix->Game() / "Maps" / "Arena.kmx.replaced") || reported);
        }

        // A fresh start on what is on disk works after every Move (after a
        // crash, that is the repair's test).
        if (indexThere && !crashed) {
            const Opening opening = OpenGame(CreateFileSystemService(), "");
            EXPECT_EQ(opening.result.ending, Ending::Done);
            EXPECT_TRUE(opening.result.report.Empty());
        }
    }

    std::unique_ptr<TempPrefix> prefix;
    bool crashed = false;
    bool reported = false;
    bool injected = false;
    bool repaired = false;   // checking what the next start left
    bool secondShut = false; // the other copy was told this one is working
    Tally tally;
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
// in the cache, and nothing of the interrupted command is left: no journal,
// "cache.bak", set-aside map or partial copy.
void CheckRepaired(const TempPrefix& prefix, Tally& tally)
{
    const Opening opening = OpenGame(CreateFileSystemService(), "");
    const bool started = opening.result.ending == Ending::Done;
    int leftovers = fs::exists(prefix.Game() / "OrvaneCacheImporter.journal");
    if (started)
        leftovers += fs::exists(prefix.Cache() / "cache.bak");
    for (const auto& entry : fs::recursive_directory_iterator(prefix.Game())) {
        const std::string name = entry.path().filename().string();
        leftovers += name.find(".replaced") != std::string::npos || name.find(".copying") != std::string::npos;
    }
    EXPECT_EQ(leftovers, 0);
    tally.leftovers += leftovers;
    for (const Note& note : opening.result.report.Notes()) {
        EXPECT_NE(note.kind, NoteKind::StrangersLeft) << (note.files.empty() ? "" : note.files.front());
    }
    if (!started)
        return; // a cache cleared whole has no index; nothing more to repair
    // The start lists exactly the maps still cached.
    const std::vector<std::string> list = test::RowTexts(opening.result.list.value_or(ListRows()));
    for (const std::string& listed : list) {
        const auto entry =
            std::find_if(kEntries.begin(), kEntries.end(), [&](const Entry& e) { return e.name == listed; });
        const bool cached = entry != kEntries.end() && fs::exists(prefix.Cache() / (entry->key + ".uxx"));
        EXPECT_TRUE(cached) << listed << " is listed but no longer cached";
        tally.listedGone += !cached;
    }
    for (const Entry& e : kEntries) {
        if (e.name.ends_with(".kmx") && fs::exists(prefix.Cache() / (e.key + ".uxx"))) {
            EXPECT_NE(std::find(list.begin(), list.end(), e.name), list.end()) << e.name;
        }
    }
    test::Answers yes = Yes();
    (void)MoveAllCached(opening.game, yes);
    if (fs::exists(prefix.Cache() / "cache.ini")) {
        const std::string text = prefix.ReadIndex();
        for (const std::string_view line : SplitIndexLines(text)) {
            const std::string_view key = EntryKey(line);
            EXPECT_TRUE(key.empty() || fs::exists(prefix.Cache() / (std::string(key) + ".uxx"))) << line;
        }
    }
}

// Under Wine each step costs ten times what it does natively: there the
// start's own crashes follow every third crash of the command, and the
// native run takes every pair.
#ifdef _WIN32
constexpr int kSecondCrashEvery = 3;
#else
constexpr int kSecondCrashEvery = 1;
#endif

// The start's repair crashed at its step crashAt; false when it has fewer.
bool StartCrashes(int crashAt, bool acrossVolumes)
{
    try {
        (void)OpenGame(std::make_unique<FaultyFileSystem>(0, crashAt, acrossVolumes), "");
    } catch (const Crash&) {
        return true;
    }
    return false;
}

// After a crash at each step, the next start repairs what is left; and
// when that start crashes too, at any of its own steps, the one after it.
TEST_P(FaultInjection, aCrashAtAnyStepLosesNothingAndIsRepaired)
{
    Build();
    const int steps = Run(0, 0);
    for (int k = 1; k <= steps; ++k) {
        for (int second = 0;; ++second) {
            Build();
            crashed = false;
            Run(0, k);
            EXPECT_TRUE(crashed);
            if (second == 0)
                CheckInvariants("crash at step " + std::to_string(k));
            else if (k % kSecondCrashEvery != 0 || !StartCrashes(second, GetParam().acrossVolumes))
                break;
            SCOPED_TRACE("repair after a crash at step " + std::to_string(k) + " and its own crash at step " +
                         std::to_string(second));
            CheckRepaired(*prefix, tally);
            if (Param() != Command::Clear) {
                repaired = true;
                CheckInvariants("after the repair");
                repaired = false;
            }
        }
    }
}

// A second copy of the program starts, moves all or clears just before each
// step of this one: it is told this one is working and changes nothing, so
// nothing is lost either way.
TEST_P(FaultInjection, aSecondCopyAtAnyStepChangesNothing)
{
    Build();
    const int steps = Run(0, 0);
    for (const Command second : {Command::Move, Command::MoveAll, Command::Clear}) {
        for (int k = 2; k <= steps; ++k) {
            Build();
            secondShut = false;
            Run(0, 0, k, second);
            SCOPED_TRACE("second copy before step " + std::to_string(k));
            EXPECT_TRUE(secondShut);
            CheckInvariants("second copy before step " + std::to_string(k));
        }
    }
}

// Where the system refuses this program the game's folders, each command
// says what failed, and that the refusal was the system's: the windows then
// offer the program run as administrator.
TEST(DeniedWrites, commandsSayTheSystemRefusedThem)
{
    const struct {
        Command command;
        std::string denied; // below the game's folder
    } rows[] = {
        {Command::Move, ""},
        {Command::MoveAll, "\\Maps"},
        {Command::Clear, "\\Cache"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message() << static_cast<int>(row.command) << row.denied);
        TempPrefix prefix;
        prefix.MakeGame();
        prefix.WriteIndex({"[Cache]", "A=Arena.kmx"});
        prefix.AddCached("A");
        auto faulty = std::make_shared<FaultyFileSystem>(0, 0, false);
        faulty->deniedUnder = prefix.GameWin() + row.denied;
        test::Answers answers = Yes();
        const CommandResult result = RunCommand(row.command, GameOn(faulty, prefix), answers);

        EXPECT_TRUE(result.report.Denied());
        ASSERT_FALSE(result.report.Problems().empty());
        const Problem& problem = result.report.Problems().front();
        EXPECT_EQ(problem.error, FsErrorKind::AccessDenied);
        EXPECT_EQ(problem.message, "Access is denied.");
        // The game's own folder refused: nothing was changed, and the problem
        // names the lock, in the folder that must let this program make it.
        const bool lockRefused = row.denied.empty();
        EXPECT_EQ(result.ending, lockRefused ? Ending::Refused : Ending::Done);
        EXPECT_EQ(problem.why == Why::NotLocked, lockRefused);
        if (lockRefused) {
            EXPECT_EQ(problem.path, prefix.GameWin() + "\\OrvaneCacheImporter.lock");
        }
        EXPECT_EQ(ReadFile(prefix.Cache() / "A.uxx"), "cached A");
        EXPECT_FALSE(fs::exists(prefix.Game() / "Maps" / "Arena.kmx"));
    }
}

INSTANTIATE_TEST_SUITE_P(Commands, FaultInjection,
                         ::testing::Values(Case{Command::Move, false}, Case{Command::MoveAll, false},
                                           Case{Command::Clear, false}, Case{Command::Move, true},
                                           Case{Command::MoveAll, true}, Case{Command::Move, false, ExistingMap::Keep},
                                           Case{Command::MoveAll, false, ExistingMap::Keep},
                                           Case{Command::MoveAll, false, ExistingMap::Discard},
                                           Case{Command::MoveAll, true, ExistingMap::Keep},
                                           Case{Command::MoveAll, true, ExistingMap::Discard}),
                         [](const auto& info) {
                             const Case c = info.param;
                             return std::string(c.command == Command::Move      ? "Move"
                                                : c.command == Command::MoveAll ? "MoveAll"
                                                                                : "Clear") +
                                    (c.acrossVolumes ? "AcrossVolumes" : "") + AnswerName(c.answer);
                         });

} // namespace
} // namespace ovcache
