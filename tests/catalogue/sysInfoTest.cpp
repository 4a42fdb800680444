#include "catalogue/sysInfo.h"
#include "platform/registry.h"
#include "testSupport.h"

#include <gtest/gtest.h>

namespace ovcache {
namespace {

using test::TempPrefix;
using test::WriteFile;

const std::string kMsinfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const std::string kLocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";

class FakeHost : public SysInfoHost {
public:
    bool StartProgram(const std::string& windowsPath, int windowStyle) override
    {
        started.push_back(windowsPath);
        style = windowStyle;
        return startWorks;
    }
    bool startWorks = true;
    int style = 0;
    std::vector<std::string> started, messages; // "unavailable" each time the box says so
};

TEST(GetKeyValue, readsStringsAndNumbersAndLeavesOtherTypes)
{
    TempPrefix prefix;
    const std::string key = "Software\\OvcacheTest\\T";
    prefix.SetRegString(key, "Path", "C:\\Windows\\msinfo32.exe");
    prefix.SetRegValue(key, "Number", kRegDword, {0xb4, 0x01, 0, 0});
    prefix.SetRegValue(key, "Small", kRegDword, {0x05, 0x01, 0, 0});
    prefix.SetRegValue(key, "Bytes", kRegBinary, {1, 2});
    prefix.SetRegValue(key, "Wide", kRegDword, {1, 2, 3, 4, 5});
    prefix.SetRegValue(key, "Empty", kRegSz, {});
    prefix.SetRegString(key, "Blank", "");
    prefix.SetRegString(key, "Long", std::string(1100, 'x'));
    std::string value = "before";
    EXPECT_TRUE(GetKeyValue(kHKeyLocalMachine, key, "Path", value));
    EXPECT_EQ(value, "C:\\Windows\\msinfo32.exe");
    EXPECT_TRUE(GetKeyValue(kHKeyLocalMachine, key, "Number", value));
    EXPECT_EQ(value, "436");
    EXPECT_TRUE(GetKeyValue(kHKeyLocalMachine, key, "Small", value));
    EXPECT_EQ(value, "261"); // each byte keeps two digits
    value = "kept";
    EXPECT_TRUE(GetKeyValue(kHKeyLocalMachine, key, "Bytes", value));
    EXPECT_EQ(value, "kept");
    EXPECT_FALSE(GetKeyValue(kHKeyLocalMachine, key, "Empty", value)); // zero bytes
    EXPECT_EQ(value, "");
    value = "x";
    EXPECT_TRUE(GetKeyValue(kHKeyLocalMachine, key, "Blank", value)); // just its NUL
    EXPECT_EQ(value, "");
    value = "x";
    EXPECT_FALSE(GetKeyValue(kHKeyLocalMachine, key, "Long", value));
    EXPECT_EQ(value, "");
    value = "x";
    EXPECT_FALSE(GetKeyValue(kHKeyLocalMachine, key, "Wide", value)); // more than 32 bits
    EXPECT_EQ(value, "");
    value = "x";
    EXPECT_FALSE(GetKeyValue(kHKeyLocalMachine, key, "Missing", value));
    EXPECT_FALSE(GetKeyValue(kHKeyLocalMachine, "Software\\OvcacheTest\\Nowhere", "Path", value));
    EXPECT_EQ(value, "");
}

class StartSysInfoTest : public ::testing::Test {
protected:
    void Run()
    {
        if (!StartSysInfo(host, *fso))
            host.messages.emplace_back("unavailable");
    }
    TempPrefix prefix;
    FakeHost host;
    std::unique_ptr<FileSystemService> fso = CreateFileSystemService();
};

TEST_F(StartSysInfoTest, noRegistryValuesSayItIsUnavailable)
{
    Run();
    EXPECT_TRUE(host.started.empty());
    EXPECT_EQ(host.messages, std::vector<std::string>{"unavailable"});
}

TEST_F(StartSysInfoTest, firstLocationIsStartedWithoutAnExistenceTest)
{
    prefix.SetRegString(kMsinfoKey, "PATH", "C:\\Missing\\msinfo32.exe");
    prefix.SetRegString(kLocationKey, "MSINFO", prefix.DriveWin() + "\\Tools");
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
    prefix.SetRegString(kLocationKey, "MSINFO", prefix.DriveWin() + "\\Tools");
    Run();
    EXPECT_TRUE(host.started.empty());
    EXPECT_EQ(host.messages.size(), 1u);

    std::filesystem::create_directories(prefix.Drive() / "Tools");
    WriteFile(prefix.Drive() / "Tools" / "msinfo32.exe", "MZ");
    host.messages.clear();
    Run();
    EXPECT_EQ(host.started, std::vector<std::string>{prefix.DriveWin() + "\\Tools\\MSINFO32.EXE"});
    EXPECT_TRUE(host.messages.empty());
}

} // namespace
} // namespace ovcache
