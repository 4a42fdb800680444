#include "catalogue/journal.h"
#include "catalogue/commands.h"
#include "testSupport.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace ovcache {
namespace {

using test::ReadFile;
using test::WriteFile;
namespace fs = std::filesystem;

using JournalTest = test::CommandTest;

// Names a player may have in Maps that look like what an interrupted command
// leaves: without a journal naming them, a start touches none of them.
TEST_F(JournalTest, startLeavesEveryPlayerMadeNameAlone)
{
    const fs::path maps = prefix.Game() / "Maps";
    for (const char* name : {"MyMap.kmx", "MyMap.kmx.replaced", "MyMap.kmx.replaced2", "MYMAP.KMX.REPLACED",
                             "Lone.kmx.replaced", "Lone.kmx.copying", "Other.kmx.replaced7"})
        WriteFile(maps / name, name);
    fs::create_directory(maps / "Dir.kmx.replaced");
    WriteFile(prefix.Cache() / "cache.bak", "the player's");
#ifndef _WIN32
    fs::create_symlink(maps / "MyMap.kmx", maps / "Link.kmx.replaced");
    ASSERT_EQ(::mkfifo((maps / "Pipe.kmx.replaced").c_str(), 0644), 0);
#endif
    prefix.WriteIndex({"[Cache]"});
    const auto before = prefix.Snapshot();
    Start();
    Start();
    EXPECT_EQ(prefix.Snapshot(), before);
    EXPECT_TRUE(fs::is_directory(maps / "Dir.kmx.replaced"));
#ifndef _WIN32
    EXPECT_TRUE(fs::is_symlink(maps / "Link.kmx.replaced"));
    EXPECT_TRUE(fs::is_fifo(maps / "Pipe.kmx.replaced"));
#endif
}

// A journal line counts only whole, unaltered and naming files of the game's
// own folders; anything else in the file is left out, never acted on.
TEST(JournalTextTest, onlyWholeUnalteredLinesOfOursCount)
{
    const FileIdentity id{0x803, 0x1234567, 42, 1733650000123456789};
    const std::vector<Intent> intents = {Intent::SetAside("A.kmx", "A.kmx.replaced2", id, {}),
                                         Intent::Copy({"Cache", "K.uxx"}, {"Maps", "A.kmx"}, "A.kmx.copying", id),
                                         Intent::Made({"Maps", "A.kmx.copying"}, id),
                                         Intent::Rewrite(),
                                         Intent::Discard("K", id),
                                         Intent::Clear()};
    const std::string text = JournalText(intents);
    ASSERT_EQ(ParseJournal(text).size(), 6u);
    EXPECT_EQ(ParseJournal(text)[1].to.name, "A.kmx");
    EXPECT_EQ(ParseJournal(text)[0].first, id);
    EXPECT_EQ(ParseJournal(text)[4].first, id);
    // Names in Unicode; a journal of an earlier version had them in the code page.
    for (const std::string name : {"Caf\u00E9.kmx", "Caf\xE9.kmx"}) {
        const auto read =
            ParseJournal(JournalText({Intent::Copy({"Cache", "K.uxx"}, {"Maps", name}, name + ".copying", id)}));
        ASSERT_EQ(read.size(), 1u);
        EXPECT_EQ(read[0].to.name, "Caf\u00E9.kmx");
    }

    const auto count = [](const std::string& journal) { return ParseJournal(journal).size(); };
    EXPECT_EQ(count(text.substr(0, text.size() - 1)), 5u); // the last line torn
    std::string altered = text;
    altered[altered.find("A.kmx")] = 'B';
    EXPECT_EQ(count(altered), 5u);
    const std::vector<std::vector<Intent>> foreign = {
        {Intent::SetAside("A.kmx", "B.kmx", id, id)},                                 // not an aside of that map
        {Intent::SetAside("..\\..\\boot.ini", "..\\..\\boot.ini.replaced", id, id)},  // not a name
        {Intent::Copy({"Windows", "a.dll"}, {"Maps", "A.kmx"}, "A.kmx.copying", id)}, // not a game folder
        {Intent::Copy({"Cache", "K.uxx"}, {"Maps", "A.kmx"}, "Other.kmx", id)},       // not its temporary name
        {Intent::Made({"Maps", "Solo.kmx"}, id)},                                     // not a temporary name
        {Intent::Discard("CON", id)},
    };
    for (const auto& planted : foreign)
        EXPECT_EQ(count(JournalText(planted)), 0u) << JournalText(planted);
}

// What a Move interrupted after setting the player's map aside and after the
// new one arrived leaves, the next start puts in order as the journal says.
TEST_F(JournalTest, startSettlesExactlyWhatTheJournalLists)
{
    const fs::path maps = prefix.Game() / "Maps";
    prefix.WriteIndex({"[Cache]", "A=Back.kmx", "B=Done.kmx", "C=Gone.kmx"});
    WriteFile(maps / "Back.kmx.replaced", "mine, the new one never came"); // put back
    WriteFile(maps / "Done.kmx", "cached B");                              // the player said Yes
    WriteFile(maps / "Done.kmx.replaced", "mine, replaced");
    WriteFile(maps / "Kept.kmx.replaced", "the player's own");
    WriteFile(maps / "Gone.kmx.copying", "cach");
    prefix.AddCached("C");
    prefix.AddCached("D"); // discarded, and the index no longer names it
    prefix.AddCached("A"); // discarded, but the index still names it
    WriteFile(prefix.Cache() / "cache.bak", "partial");
    const auto id = [](const fs::path& file) { return test::IdentityOf(file); };
    // long enough that the start lists the folders rather than look for each name
    const std::vector<Intent> padding(300, Intent::Moving());
    WriteFile(prefix.Game() / std::string(kJournalName),
              JournalText(padding) +
                  JournalText({Intent::SetAside("Back.kmx", "Back.kmx.replaced", id(maps / "Back.kmx.replaced"), {}),
                               Intent::SetAside("Done.kmx", "Done.kmx.replaced", id(maps / "Done.kmx.replaced"),
                                                id(maps / "Done.kmx")),
                               Intent::Copy({"Cache", "C.uxx"}, {"Maps", "Gone.kmx"}, "Gone.kmx.copying",
                                            id(prefix.Cache() / "C.uxx")),
                               Intent::Made({"Maps", "Gone.kmx.copying"}, id(maps / "Gone.kmx.copying")),
                               Intent::Discard("D", id(prefix.Cache() / "D.uxx")),
                               Intent::Discard("A", id(prefix.Cache() / "A.uxx")), Intent::Rewrite()}) +
                  "set-aside\tKept.kmx\tKept.kmx.replaced\t0000"); // torn
    Start();
    EXPECT_EQ(ReadFile(maps / "Back.kmx"), "mine, the new one never came");
    EXPECT_EQ(ReadFile(maps / "Done.kmx"), "cached B");
    EXPECT_FALSE(fs::exists(maps / "Done.kmx.replaced"));
    EXPECT_FALSE(fs::exists(maps / "Gone.kmx.copying"));
    EXPECT_TRUE(InCache("C"));
    EXPECT_FALSE(InCache("D"));
    EXPECT_TRUE(InCache("A"));
    EXPECT_FALSE(fs::exists(prefix.Cache() / "cache.bak"));
    EXPECT_EQ(ReadFile(maps / "Kept.kmx.replaced"), "the player's own");
    EXPECT_FALSE(fs::exists(prefix.Game() / std::string(kJournalName)));
}

// Lines whose checksums are right but whose files are not the ones recorded
// (planted, or of a disk that misbehaved) name the player's own files: the
// start leaves every one of them byte for byte, and says so in one line.
TEST_F(JournalTest, linesNamingFilesNotRecordedTouchNothing)
{
    const fs::path maps = prefix.Game() / "Maps";
    for (const char* name : {"Solo.kmx", "Solo.kmx.copying", "Keep.kmx.replaced", "Both.kmx", "Both.kmx.replaced"})
        WriteFile(maps / name, name);
    WriteFile(prefix.Cache() / "cache.bak", "the player's");
    prefix.WriteIndex({"[Cache]"});
    prefix.AddCached("K");
    const auto id = [](const fs::path& file) { return test::IdentityOf(file); };
    const FileIdentity other = id(prefix.Cache() / "K.uxx"), solo = id(maps / "Solo.kmx");
    // The very files recorded, rewritten in place since: the same file, but
    // another size or time.
    WriteFile(maps / "Twin.kmx", ReadFile(prefix.Cache() / "K.uxx"));
    fs::last_write_time(maps / "Twin.kmx", fs::last_write_time(prefix.Cache() / "K.uxx") + std::chrono::hours(1));
    const FileIdentity twin = id(maps / "Twin.kmx"), both = id(maps / "Both.kmx");
    FileIdentity rewritten = both, made = twin, bak = id(prefix.Cache() / "cache.bak"),
                 soloCopy = id(maps / "Solo.kmx.copying");
    rewritten.size += 1;
    made.size = made.written = 0;
    bak.size -= 1;         // more than the rewrite was to hold
    soloCopy.written += 1; // made after the file was last written
    soloCopy.size = 100;
    const std::vector<std::pair<const char*, std::vector<Intent>>> rows = {
        {"a copy whose source and destination are one file, by another case of its name",
         {Intent::Copy({"Maps", "Solo.kmx"}, {"Maps", "solo.KMX"}, "solo.KMX.copying", solo),
          Intent::Made({"Maps", "solo.KMX.copying"}, solo)}},
        {"a temporary name that is the player's file",
         {Intent::Copy({"Cache", "K.uxx"}, {"Maps", "Solo.kmx"}, "Solo.kmx.copying", other),
          Intent::Made({"Maps", "Solo.kmx.copying"}, other)}},
        {"a set-aside whose map and aside are both there",
         {Intent::SetAside("Both.kmx", "Both.kmx.replaced", other, other)}},
        {"a set-aside whose map is missing", {Intent::SetAside("Keep.kmx", "Keep.kmx.replaced", other, other)}},
        {"a discard of another file", {Intent::Discard("K", solo)}},
        {"a set-aside whose new map was rewritten since",
         {Intent::SetAside("Both.kmx", "Both.kmx.replaced", id(maps / "Both.kmx.replaced"), rewritten)}},
        {"a copy whose arrival was rewritten since, with the same bytes",
         {Intent::Copy({"Cache", "K.uxx"}, {"Maps", "Twin.kmx"}, "Twin.kmx.copying", other),
          Intent::Made({"Maps", "Twin.kmx.copying"}, made)}},
        {"a temporary name that is the player's file, recorded by its volume and number alone",
         {Intent::Copy({"Cache", "K.uxx"}, {"Maps", "Solo.kmx"}, "Solo.kmx.copying", id(prefix.Cache() / "K.uxx")),
          Intent::Made({"Maps", "Solo.kmx.copying"}, soloCopy)}},
        {"a rewrite never recorded, over the player's cache.bak", {Intent::Rewrite()}},
        {"a rewrite recorded, but not as the cache.bak there",
         {Intent::Rewrite(), Intent::Made({"Cache", "cache.bak"}, bak)}},
    };
    // The note names what it left, as the player finds it (in any case).
    const auto lower = [](std::string text) {
        std::transform(text.begin(), text.end(), text.begin(), ::tolower);
        return text;
    };
    const auto there = [&](const std::string& windowsPath) {
        const std::size_t name = windowsPath.rfind('\\'), folder = windowsPath.rfind('\\', name - 1);
        const std::string wanted =
            lower(windowsPath.substr(folder + 1, name - folder - 1) + "/" + windowsPath.substr(name + 1));
        for (const auto& file : fs::recursive_directory_iterator(prefix.Game())) {
            std::string path = lower(file.path().string());
            std::replace(path.begin(), path.end(), '\\', '/');
            if (path.ends_with(wanted))
                return true;
        }
        return false;
    };
    const auto before = prefix.Snapshot();
    for (const auto& [name, intents] : rows) {
        SCOPED_TRACE(name);
        WriteFile(prefix.Game() / std::string(kJournalName), JournalText(intents));
        Start();
        EXPECT_EQ(prefix.Snapshot(), before);
        const auto& notes = last.report.Notes();
        const auto note =
            std::find_if(notes.begin(), notes.end(), [](const Note& n) { return n.kind == NoteKind::StrangersLeft; });
        ASSERT_NE(note, notes.end());
        EXPECT_EQ(note->files.size(), note->count);
        for (const std::string& file : note->files) {
            EXPECT_TRUE(there(file)) << file;
        }
    }
}

// A journal that stays (the index cannot be put right: its rewrite's name is
// a folder's) and ends in a line torn by a kill: the next command's entries
// start on a line of their own, so the set-aside it records is there for the
// start after a kill.
TEST_F(JournalTest, aTornLastLineSwallowsNoLaterEntry)
{
    fs::create_directory(prefix.Cache() / "cache.bak");
    const fs::path journal = prefix.Game() / std::string(kJournalName);
    WriteFile(journal, JournalText({Intent::Rewrite()}) + "set-aside\tQ.kmx\tQ.km");
    WriteFile(prefix.Game() / "Maps" / "A.kmx", "mine");
    WriteFile(prefix.Game() / "Maps" / "B.kmx", "mine too");
    prefix.WriteIndex({"[Cache]", "K=A.kmx", "L=B.kmx", "G=Gone.kmx"});
    prefix.AddCached("K");
    prefix.AddCached("L");
    Start();
    ASSERT_TRUE(fs::exists(journal));
    // Asked about the second map, the first's set-aside is on disk.
    std::vector<Intent> left;
    answers.byPath = [&](const std::string& path) {
        if (path.ends_with("B.kmx"))
            left = ParseJournal(ReadFile(journal));
        return ExistingMap::Replace;
    };
    last = MoveAllCached(*game, answers);
    EXPECT_EQ(GameFile("Maps/A.kmx"), "cached K");
    EXPECT_TRUE(std::any_of(left.begin(), left.end(), [](const Intent& intent) {
        return intent.what == Intent::What::SetAside && intent.from.name == "A.kmx";
    }));
}

// Something else under the journal's name (a second name of a player's file,
// a pipe, a folder): no command writes through it or waits on it; each says
// what to do and changes nothing until it is moved away.
TEST_F(JournalTest, aJournalNameTakenByAnotherFileStopsEveryCommand)
{
    const fs::path journal = prefix.Game() / std::string(kJournalName), mine = prefix.Drive() / "Mine.kmx";
    std::vector<std::function<void()>> plants = {[&] { fs::create_hard_link(mine, journal); },
                                                 [&] { fs::create_directory(journal); }};
#ifndef _WIN32
    plants.emplace_back([&] { ASSERT_EQ(::mkfifo(journal.c_str(), 0644), 0); });
#endif
    prefix.WriteIndex({"[Cache]", "A=DM-A.kmx"});
    prefix.AddCached("A");
    for (const auto& plant : plants) {
        WriteFile(mine, "the player's own");
        plant();
        Start();
        for (const CommandResult& refused : {MoveAllCached(*game, answers), ClearCache(*game, answers)}) {
            EXPECT_EQ(refused.ending, Ending::Refused);
            EXPECT_TRUE(test::Reports(refused.report, Why::JournalNotOurs));
        }
        EXPECT_TRUE(InCache("A"));
        EXPECT_EQ(ReadFile(mine), "the player's own");
        fs::remove(journal);
    }
    last = MoveAllCached(*game, answers);
    EXPECT_FALSE(InCache("A"));
    EXPECT_TRUE(last.report.Empty());
}

} // namespace
} // namespace ovcache
