#include "about/sysInfo.h"
#include "platform/programLauncher.h"
#include "platform/registry.h"
#include "testSupport.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace ovcache {
namespace {

using test::TempPrefix;
using test::WriteFile;

const std::string kRegHeader = "WINE REGISTRY Version 2\n#arch=win32\n\n";

class FakeHost : public SysInfoHost {
public:
    bool StartProgram(const std::string& windowsPath, int windowStyle) override
    {
        started.push_back(windowsPath);
        style = windowStyle;
        return startWorks;
    }
    int MsgBox(const std::string& text, const std::string& title, MsgIcon icon, MsgButtons buttons) override
    {
        messages.push_back(text);
        EXPECT_EQ(title, "Orvane Cache Importer");
        EXPECT_EQ(icon, MsgIcon::None);
        EXPECT_EQ(buttons, MsgButtons::OK);
        return vbOK;
    }
    bool startWorks = true;
    int style = 0;
    std::vector<std::string> started, messages;
};

TEST(GetKeyValue, readsStringsAndNumbersAndLeavesOtherTypes)
{
    TempPrefix prefix;
    prefix.WriteSystemReg(kRegHeader + "[Software\\\\T] 1\n"
                                       "\"Path\"=\"C:\\\\Windows\\\\msinfo32.exe\"\n"
                                       "\"Number\"=dword:000001b4\n"
                                       "\"Small\"=dword:00000105\n"
                                       "\"Bytes\"=hex:01,02\n"
                                       "\"Empty\"=hex(1):\n"
                                       "\"Blank\"=\"\"\n"
                                       "\"Long\"=\"" + std::string(1100, 'x') + "\"\n");
    std::string value = "before";
    EXPECT_TRUE(GetKeyValue(kHKeyLocalMachine, "Software\\T", "Path", value));
    EXPECT_EQ(value, "C:\\Windows\\msinfo32.exe");
    EXPECT_TRUE(GetKeyValue(kHKeyLocalMachine, "Software\\T", "Number", value));
    EXPECT_EQ(value, "436");
    EXPECT_TRUE(GetKeyValue(kHKeyLocalMachine, "Software\\T", "Small", value));
    EXPECT_EQ(value, "261"); // each byte keeps two digits
    value = "kept";
    EXPECT_TRUE(GetKeyValue(kHKeyLocalMachine, "Software\\T", "Bytes", value));
    EXPECT_EQ(value, "kept");
    EXPECT_FALSE(GetKeyValue(kHKeyLocalMachine, "Software\\T", "Empty", value)); // zero bytes
    EXPECT_EQ(value, "");
    value = "x";
    EXPECT_TRUE(GetKeyValue(kHKeyLocalMachine, "Software\\T", "Blank", value)); // just its NUL
    EXPECT_EQ(value, "");
    value = "x";
    EXPECT_FALSE(GetKeyValue(kHKeyLocalMachine, "Software\\T", "Long", value));
    EXPECT_EQ(value, "");
    value = "x";
    EXPECT_FALSE(GetKeyValue(kHKeyLocalMachine, "Software\\T", "Missing", value));
    EXPECT_FALSE(GetKeyValue(kHKeyLocalMachine, "Software\\Nowhere", "Path", value));
    EXPECT_EQ(value, "");
}

class StartSysInfoTest : public ::testing::Test {
protected:
    void Run() { StartSysInfo(host, *fso); }
    TempPrefix prefix;
    FakeHost host;
    std::unique_ptr<FileSystemService> fso = CreateFileSystemService();
};

TEST_F(StartSysInfoTest, noRegistryValuesSayItIsUnavailable)
{
    Run();
    EXPECT_TRUE(host.started.empty());
    EXPECT_EQ(host.messages, std::vector<std::string>{"System Information Is Unavailable At This Time"});
}

TEST_F(StartSysInfoTest, firstLocationIsStartedWithoutAnExistenceTest)
{
    prefix.WriteSystemReg(kRegHeader + "[Software\\\\Microsoft\\\\Shared Tools\\\\MSINFO] 1\n"
                                       "\"PATH\"=\"C:\\\\Missing\\\\msinfo32.exe\"\n"
                                       "[Software\\\\Microsoft\\\\Shared Tools Location] 1\n"
                                       "\"MSINFO\"=\"C:\\\\Tools\"\n");
    Run();
    EXPECT_EQ(host.started, std::vector<std::string>{"C:\\Missing\\msinfo32.exe"});
    EXPECT_EQ(host.style, 1);
    EXPECT_TRUE(host.messages.empty());

    // When it cannot be started the second location is not tried.
    host.started.clear();
    host.startWorks = false;
    Run();
    EXPECT_EQ(host.started, std::vector<std::string>{"C:\\Missing\\msinfo32.exe"});
    EXPECT_EQ(host.messages.size(), 1u);
}

TEST_F(StartSysInfoTest, secondLocationNeedsTheProgramToBeThere)
{
    prefix.WriteSystemReg(kRegHeader + "[Software\\\\Microsoft\\\\Shared Tools Location] 1\n"
                                       "\"MSINFO\"=\"C:\\\\Tools\"\n");
    Run();
    EXPECT_TRUE(host.started.empty());
    EXPECT_EQ(host.messages.size(), 1u);

    std::filesystem::create_directories(prefix.Root() / "drive_c" / "Tools");
    WriteFile(prefix.Root() / "drive_c" / "Tools" / "msinfo32.exe", "MZ");
    host.messages.clear();
    Run();
    EXPECT_EQ(host.started, std::vector<std::string>{"C:\\Tools\\MSINFO32.EXE"});
    EXPECT_TRUE(host.messages.empty());
}

TEST(ProgramLauncher, startsWhatIsThereAndNothingInPlaceOfWhatIsNot)
{
    TempPrefix prefix;
    EXPECT_FALSE(StartProgram("C:\\Windows\\msinfo32.exe", 1));
    const auto script = prefix.Root() / "drive_c" / "ran.sh";
    WriteFile(script, "#!/bin/sh\ntouch \"$(dirname \"$0\")/ran-marker\"\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    EXPECT_TRUE(StartProgram("C:\\RAN.SH", 1));
    for (int wait = 0; wait < 200 && !std::filesystem::exists(prefix.Root() / "drive_c" / "ran-marker"); ++wait)
        ::usleep(10000);
    EXPECT_TRUE(std::filesystem::exists(prefix.Root() / "drive_c" / "ran-marker"));
    // A file that is not a program cannot be started.
    WriteFile(prefix.Root() / "drive_c" / "msinfo32.exe", "MZ not for this system");
    EXPECT_FALSE(StartProgram("C:\\msinfo32.exe", 1));
}

} // namespace
} // namespace ovcache
