#include "platform/programLauncher.h"
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

} // namespace
} // namespace ovcache
