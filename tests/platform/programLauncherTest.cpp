#include "platform/programLauncher.h"
#include "platform/gameProcess.h"
#include "testSupport.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

namespace ovcache {
namespace {

using test::TempPrefix;
using test::WriteFile;

TEST(ProgramLauncherTest, startsWhatIsThereAndNothingInPlaceOfWhatIsNot)
{
    TempPrefix prefix;
    EXPECT_FALSE(StartProgram(prefix.DriveWin() + "\\Missing\\msinfo32.exe", 1));
    // A file that is not a program for this system cannot be started.
    WriteFile(prefix.Drive() / "msinfo32.exe", "MZ but nothing more");
    EXPECT_FALSE(StartProgram(prefix.DriveWin() + "\\msinfo32.exe", 1));
#ifndef _WIN32
    const auto script = prefix.Drive() / "ran.sh";
    WriteFile(script, "#!/bin/sh\ntouch \"$(dirname \"$0\")/ran-marker\"\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    EXPECT_TRUE(StartProgram("C:\\RAN.SH", 1));
    for (int wait = 0; wait < 200 && !std::filesystem::exists(prefix.Drive() / "ran-marker"); ++wait)
        ::usleep(10000);
    EXPECT_TRUE(std::filesystem::exists(prefix.Drive() / "ran-marker"));
#endif
}

// The game's command as written after the program's own arguments on a
// Windows command line: its quotes, backslashes and spaces kept as they are.
TEST(ProgramLauncherTest, theGamesCommandIsTakenAsWritten)
{
    const struct {
        const char* line;
        std::size_t first;
        const char* rest;
    } rows[] = {
        {R"("C:\Program Files\OCI\oci.exe" --move-all -- "C:\Games\Orvane\Orvane.exe" -log)", 3,
         R"("C:\Games\Orvane\Orvane.exe" -log)"},
        {R"(oci.exe --game "C:\A B\\" --move-all  --   game.exe)", 5, "game.exe"},
        {R"(oci.exe --game "C:\A B\" --move-all -- game.exe)", 5, ""}, // \" is a quote of the folder's
        {R"(oci.exe --move "a\"b -- c" -- game.exe "x  y")", 4, R"(game.exe "x  y")"},
        {R"(oci.exe --move "say ""hi"" -- x" -- g)", 4, "g"},
        {"oci.exe --move-all --", 3, ""},
        {"oci.exe a", 0, "oci.exe a"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(CommandLineFrom(row.line, row.first), row.rest) << row.line;
}

} // namespace
} // namespace ovcache
