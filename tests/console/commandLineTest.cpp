// The command line both programs share: its options read alike, and each
// command run without a window against a throw-away game, with its status.
#include "catalogue/journal.h"
#include "console/consoleRun.h"
#include "testSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace ovcache::console {
namespace {

using test::WriteFile;
namespace fs = std::filesystem;

TEST(CommandLine, optionsAreReadOrRefusedWithOneLine)
{
    const struct {
        std::vector<std::string> args;
        bool wine;
        std::string error; // a piece of it; "" when the line is good
        Command command;
        std::string map, named;
        ExistingMap existing;
        bool json;
        std::vector<std::string> wrapped = {}; // the game's command after "--"
        bool dryRun = false;
    } rows[] = {
        {{}, false, "", Command::Window, "", "", ExistingMap::Keep, false},
        {{"--game", "C:\\Orvane"}, false, "", Command::Window, "", "C:\\Orvane", ExistingMap::Keep, false},
        {{"--list", "--json"}, false, "", Command::List, "", "", ExistingMap::Keep, true},
        {{"--move=DM-A.kmx", "--existing=replace"},
         false,
         "",
         Command::Move,
         "DM-A.kmx",
         "",
         ExistingMap::Replace,
         false},
        {{"--move-all", "--existing", "discard", "--game", "D:\\G"},
         false,
         "",
         Command::MoveAll,
         "",
         "D:\\G",
         ExistingMap::Discard,
         false},
        {{"--prefix", "/p", "--clear", "--yes"}, true, "", Command::Clear, "", "/p", ExistingMap::Keep, false},
        {{"--help"}, false, "", Command::Help, "", "", ExistingMap::Keep, false},
        {{"--prefix", "/p"}, false, "unknown option --prefix", {}, "", "", {}, false},
        {{"-x"}, true, "unknown option -x", {}, "", "", {}, false},
        {{"--move"}, false, "--move needs a value", {}, "", "", {}, false},
        {{"--move", ""}, false, "needs the name of a map", {}, "", "", {}, false},
        {{"--list=all"}, false, "--list takes no value", {}, "", "", {}, false},
        {{"--clear"}, false, "add --yes", {}, "", "", {}, false},
        {{"--list", "--move-all"}, false, "one command at a time", {}, "", "", {}, false},
        {{"--move", "a.kmx", "--move", "c.kmx"}, false, "one --move NAME", {}, "", "", {}, false},
        {{"--move-all", "--existing", "maybe"}, false, "keep, replace or discard", {}, "", "", {}, false},
        {{"--list", "--existing", "keep"}, false, "goes with --move or --move-all", {}, "", "", {}, false},
        {{"--json"}, false, "--json goes with a command", {}, "", "", {}, false},
        {{"--game", "a", "--prefix", "b"}, true, "name the game once", {}, "", "", {}, false},
        {{"--move-all", "--dry-run", "--", "game", "--json", "--"},
         false,
         "",
         Command::MoveAll,
         "",
         "",
         ExistingMap::Keep,
         false,
         {"game", "--json", "--"},
         true},
        {{"--clear", "--dry-run"}, false, "", Command::Clear, "", "", ExistingMap::Keep, false, {}, true},
        {{"--move-all", "--"}, false, "-- needs the game's command", {}, "", "", {}, false},
        {{"--", "game"}, false, "-- COMMAND goes with", {}, "", "", {}, false},
        {{"--list", "--", "game"}, false, "-- COMMAND goes with", {}, "", "", {}, false},
        {{"--dry-run"}, false, "--dry-run goes with", {}, "", "", {}, false},
        {{"--list", "--dry-run"}, false, "--dry-run goes with", {}, "", "", {}, false},
        {{"--notify"}, false, "--notify goes with a command", {}, "", "", {}, false},
    };
    for (const auto& row : rows) {
        const Parsed parsed = ParseCommandLine(row.args, row.wine);
        SCOPED_TRACE(row.args.empty() ? "(none)" : row.args.front());
        if (!row.error.empty()) {
            EXPECT_NE(parsed.error.find(row.error), std::string::npos) << parsed.error;
            EXPECT_EQ(parsed.error.find('\n'), std::string::npos);
            continue;
        }
        ASSERT_EQ(parsed.error, "");
        EXPECT_EQ(parsed.options.command, row.command);
        EXPECT_EQ(parsed.options.map, row.map);
        EXPECT_EQ(RequestOf(parsed.options, "").named.value_or(""), row.named);
        EXPECT_EQ(parsed.options.existing, row.existing);
        EXPECT_EQ(parsed.options.json, row.json);
        EXPECT_EQ(parsed.options.wrapped, row.wrapped);
        EXPECT_EQ(parsed.options.dryRun, row.dryRun);
        if (!row.wrapped.empty()) {
            EXPECT_EQ(parsed.options.wrappedAt, row.args.size() - row.wrapped.size());
        }
    }
    EXPECT_NE(HelpText(true).find("--prefix DIR"), std::string::npos);
    EXPECT_EQ(HelpText(false).find("--prefix"), std::string::npos);
}

class Captured : public Output {
public:
    void Out(std::string_view text) override { out += text; }
    void Err(std::string_view text) override { err += text; }
    std::string out, err;
};

class Told : public Notifier {
public:
    void Notify(const std::string& title, const std::string& line) override { lines.push_back(title + ": " + line); }
    std::vector<std::string> lines;
};

// Where the game is not decided, the command runs nowhere and says why:
// every prefix that holds it, or the folder named that does not.
TEST(CommandLine, aGameNotDecidedIsSaidAndNothingRuns)
{
    GameLocation several;
    several.several = {{"/home/p/.wine", "C:\\Orvane", "WINEPREFIX"}, {"/home/p/Games/orvane", "C:\\G", "Lutris"}};
    Captured out;
    Options options;
    options.command = Command::List;
    EXPECT_FALSE(GameForCommand(several, options, out));
    EXPECT_NE(out.err.find("more than one Wine prefix; name one with --prefix:\n    /home/p/.wine\n"
                           "    /home/p/Games/orvane\n"),
              std::string::npos)
        << out.err;

    GameLocation refused;
    refused.refused = "/tmp/x";
    refused.refusedReason = "holds neither the game nor a prefix with it";
    out = {};
    EXPECT_FALSE(GameForCommand(refused, options, out));
    EXPECT_EQ(out.err, "orvane-cache-importer: /tmp/x holds neither the game nor a prefix with it\n");
    EXPECT_TRUE(out.out.empty());

    // A script that asked for JSON gets a document with the reason, and
    // every field a command's document has.
    options.json = true;
    out = {};
    EXPECT_FALSE(GameForCommand(refused, options, out));
    const auto document = nlohmann::json::parse(out.out);
    EXPECT_EQ(document["status"], 2);
    EXPECT_EQ(document["error"], "/tmp/x holds neither the game nor a prefix with it");
    for (const char* field : {"command", "cache", "maps", "problems", "unsafe", "notes"})
        EXPECT_TRUE(document.contains(field)) << field;
}

class HeadlessTest : public test::CommandTest {
protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        prefix.WriteIndex({"[Cache]", "A=DM-A.kmx", "B=Bot.u", "C=DM-Here.kmx", "D=Caf\xE9.kmx"});
        for (const char* key : {"A", "B", "C", "D"})
            prefix.AddCached(key);
        WriteFile(prefix.Game() / "Maps" / "DM-Here.kmx", "mine");
    }
    int Run(const std::vector<std::string>& args)
    {
        const Parsed parsed = ParseCommandLine(args, true);
        EXPECT_EQ(parsed.error, "");
        GameOptions impatient;
        impatient.lockPatience = {};
        return RunCommand(parsed.options, prefix.GameWin(), output, impatient);
    }
    Captured output;
    Told told;
};

struct HeadlessRow {
    std::vector<std::string> args;
    int status;
    std::vector<std::string> said;        // pieces of what is printed
    std::vector<std::string> there, gone; // files below the game afterwards
    std::string here;                     // Maps/DM-Here.kmx afterwards
};

class HeadlessCommandTest : public HeadlessTest, public ::testing::WithParamInterface<HeadlessRow> {};

TEST_P(HeadlessCommandTest, runsWithoutAWindowAndSaysHowItEnded)
{
    const HeadlessRow& row = GetParam();
    EXPECT_EQ(Run(row.args), row.status) << output.out << output.err;
    for (std::string piece : row.said) {
        if (const std::size_t at = piece.find("GAME"); at != std::string::npos)
            piece.replace(at, 4, prefix.GameWin());
        EXPECT_NE(output.out.find(piece), std::string::npos) << piece << " in:\n" << output.out;
    }
    for (const std::string& file : row.there)
        EXPECT_TRUE(fs::exists(prefix.Game() / file)) << file;
    for (const std::string& file : row.gone)
        EXPECT_FALSE(fs::exists(prefix.Game() / file)) << file;
    EXPECT_EQ(GameFile("Maps/DM-Here.kmx"), row.here);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, HeadlessCommandTest,
    ::testing::Values(
        HeadlessRow{
            {"--list"},
            kDone,
            // the maps in the window's order
            {"Cache Directory: GAME\\Cache\n", "Number of Files: 4\n", "Caf\xC3\xA9.kmx\nDM-A.kmx\nDM-Here.kmx\n"},
            {"Cache/A.uxx", "Cache/C.uxx"},
            {},
            "mine"},
        HeadlessRow{{"--move", "DM-A.kmx"},
                    kDone,
                    {"Moved DM-A.kmx into Maps\n", "Moved Bot.u into System\n"},
                    {"Maps/DM-A.kmx", "System/Bot.u", "Cache/C.uxx"},
                    {"Cache/A.uxx"},
                    "mine"},
        HeadlessRow{
            {"--move-all"},
            kLeft,
            {"Moved DM-A.kmx into Maps\n", "DM-Here.kmx\n    C.uxx -> GAME\\Maps", "so this one was left in the cache"},
            {"Maps/DM-A.kmx", "Cache/C.uxx"},
            {"Cache/A.uxx"},
            "mine"},
        HeadlessRow{{"--move-all", "--existing", "discard"},
                    kDone,
                    {"Discarded the cached DM-Here.kmx\n"},
                    {"Maps/DM-A.kmx"},
                    {"Cache/C.uxx", "Cache/cache.ini"},
                    "mine"},
        HeadlessRow{{"--move-all", "--existing", "replace"},
                    kDone,
                    {"Replaced DM-Here.kmx in Maps\n"},
                    {"Maps/DM-A.kmx"},
                    {"Cache/C.uxx"},
                    "cached C"},
        HeadlessRow{{"--clear", "--yes"}, kDone, {}, {}, {"Cache/A.uxx", "Cache/C.uxx", "Cache/cache.ini"}, "mine"},
        // A dry run says what would be done, and does none of it.
        HeadlessRow{
            {"--move-all", "--existing", "replace", "--dry-run"},
            kDone,
            {"Dry run: nothing was changed", "Would replace DM-Here.kmx in Maps\n", "Would move Bot.u into System"},
            {"Cache/A.uxx", "Cache/C.uxx", "Cache/cache.ini"},
            {"Maps/DM-A.kmx", "OrvaneCacheImporter.lock"},
            "mine"},
        HeadlessRow{{"--clear", "--dry-run"},
                    kDone,
                    {"Would delete the 4 files in GAME\\Cache"},
                    {"Cache/A.uxx", "Cache/cache.ini"},
                    {"OrvaneCacheImporter.lock"},
                    "mine"}));

TEST_F(HeadlessTest, jsonSaysWhatMovedAndWhatIsCached)
{
    ASSERT_EQ(Run({"--list", "--json"}), kDone);
    const auto listed = nlohmann::json::parse(output.out);
    // Names in the code page (1252 here) come out in UTF-8.
    EXPECT_EQ(listed["maps"], nlohmann::json::array({"Caf\xC3\xA9.kmx", "DM-A.kmx", "DM-Here.kmx"}));
    EXPECT_EQ(listed["cache"]["files"], 4);
    EXPECT_EQ(listed["cache"]["folder"], prefix.CacheWin());

    output = {};
    ASSERT_EQ(Run({"--move-all", "--existing", "replace", "--json"}), kDone);
    const auto moved = nlohmann::json::parse(output.out);
    EXPECT_EQ(moved["status"], 0);
    EXPECT_EQ(moved["moved"].size(), 4u);
    EXPECT_EQ(moved["moved"][2], (nlohmann::json{{"name", "DM-Here.kmx"}, {"folder", "Maps"}, {"replaced", true}}));
    EXPECT_TRUE(moved["problems"].empty());
    EXPECT_EQ(GameFile("Maps/DM-Here.kmx"), "cached C");
}

TEST_F(HeadlessTest, refusalsChangeNothing)
{
    const auto before = prefix.Snapshot();
    EXPECT_EQ(Run({"--move", "DM-Nowhere.kmx"}), kRefused);
    EXPECT_NE(output.err.find("DM-Nowhere.kmx is not among the cached maps"), std::string::npos);
    EXPECT_EQ(prefix.Snapshot(), before);

    // Another copy holds the game: status 3, and nothing done.
    const auto files = CreateFileSystemService();
    const GameFolders folders{prefix.GameWin(), {}, prefix.CacheWin()};
    CommandReport otherReport;
    const GameSession holder(*files, folders, otherReport, {});
    ASSERT_TRUE(holder.Held());
    for (const char* command : {"--move-all", "--list"})
        EXPECT_EQ(Run({command}), kBusy) << command;
    EXPECT_EQ(prefix.Snapshot(), before);
}

TEST_F(HeadlessTest, aCacheWithoutItsIndexIsLeftAsItIsByEveryCommand)
{
    fs::remove(prefix.Game() / "Cache" / "cache.ini");
    const auto before = prefix.Snapshot();
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--list"}, {"--move-all"}, {"--clear", "--yes"}}) {
        output = {};
        EXPECT_EQ(Run(args), kRefused) << args[0];
        EXPECT_NE(output.out.find("Cache.ini not found"), std::string::npos) << args[0] << ": " << output.out;
        EXPECT_EQ(prefix.Snapshot(), before) << args[0];
    }
}

// A stand-in for the game: a command that ends with the status given.
GameCommand StandIn(int status)
{
#ifdef _WIN32
    return {{}, "cmd.exe /c exit " + std::to_string(status)};
#else
    return {{"sh", "-c", "exit " + std::to_string(status)}, {}};
#endif
}

// After the game: the command runs on the game, the launcher gets the game's
// status whatever the command came to, the run is kept in the log and the
// player is told in a line that names the log; a game that cannot be
// started, or another copy at work, has nothing done and is told so.
TEST_F(HeadlessTest, afterTheGameTheCommandRunsAndThePlayerIsTold)
{
    const fs::path log = prefix.Root() / "state" / "runs.log";
    const auto after = [&](const std::vector<std::string>& args, const GameCommand& game) {
        Options options = ParseCommandLine(args, true).options;
        options.wrapped = {"game"}; // the stand-in's own words are the system's
        GameOptions impatient;
        impatient.lockPatience = {};
        output = {};
        return RunTold(
            options, game,
            [&](Output& out, Tally& tally) { return RunCommand(options, prefix.GameWin(), out, impatient, &tally); },
            output, told, log);
    };
    const std::string see = "; see " + log.string();
    const auto game = [&] {
        auto files = prefix.Snapshot();
        files.erase("state/runs.log");
        return files;
    };
    const auto before = game();

    EXPECT_EQ(after({"--move-all", "--dry-run", "--", "game"}, StandIn(0)), 0);
    EXPECT_EQ(game(), before);
    EXPECT_EQ(after({"--move-all", "--existing", "keep", "--", "game"}, StandIn(42)), 42);
    EXPECT_NE(game(), before);
    EXPECT_EQ(after({"--clear", "--yes", "--", "game"}, StandIn(0)), 0);
    ASSERT_EQ(told.lines.size(), 3u);
    EXPECT_EQ(told.lines[0],
              "Orvane Cache Importer: 2 maps and 1 package would be imported; 1 would be left, see " + log.string());
    EXPECT_EQ(told.lines[1], "Orvane Cache Importer: 2 maps and 1 package imported; 1 left, see " + log.string());
    EXPECT_EQ(told.lines[2], "Orvane Cache Importer: The cache was cleared: 1 file deleted" + see);
    const std::string kept = test::ReadFile(log);
    EXPECT_NE(kept.find("--move-all after game: it ended with status 42\n  Moved DM-A.kmx into Maps\n"),
              std::string::npos)
        << kept;

    // Nothing is done without the game, nor beside another copy at work on it.
    prefix.WriteIndex({"[Cache]", "A=DM-A.kmx"});
    prefix.AddCached("A");
    const auto waiting = game();
    EXPECT_EQ(after({"--move-all", "--", "game"}, GameCommand{{"/nowhere/game"}, "C:\\nowhere\\game.exe"}), 127);
    const auto files = CreateFileSystemService();
    CommandReport otherReport;
    const GameSession holder(*files, GameFolders{prefix.GameWin(), {}, prefix.CacheWin()}, otherReport, {});
    EXPECT_EQ(after({"--move-all", "--", "game"}, StandIn(7)), 7);
    EXPECT_EQ(game(), waiting);
    ASSERT_EQ(told.lines.size(), 5u);
    EXPECT_TRUE(told.lines[3].starts_with("Orvane Cache Importer: Nothing was done: the game's command could not be "
                                          "started: "))
        << told.lines[3];
    EXPECT_TRUE(told.lines[4].starts_with("Orvane Cache Importer: Nothing was done: Another copy")) << told.lines[4];

    // The log keeps the last runs, and a report's lines never begin one.
    for (int k = 0; k < 12; ++k)
        ASSERT_TRUE(KeepInRunLog(log, "run " + std::to_string(k), "== not a run\nMoved X into Maps"));
    const std::string last = test::ReadFile(log);
    std::size_t runs = 0;
    for (std::size_t at = 0; at != std::string::npos; at = last.find("\n== ", at + 1))
        ++runs;
    EXPECT_EQ(runs, kRunsKept);
    EXPECT_TRUE(last.starts_with("== run 2\n  == not a run\n  Moved X into Maps\n"));
    EXPECT_TRUE(last.ends_with("== run 11\n  == not a run\n  Moved X into Maps\n"));
}

} // namespace
} // namespace ovcache::console
