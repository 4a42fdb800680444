#include "platform/uac.h"

#include <gtest/gtest.h>
#ifdef _WIN32
#include "platform/codePage.h"

#include <windows.h>

#include <shellapi.h>
#endif

namespace ovcache {
namespace {

TEST(VirtualStorePath, isTheFolderBelowTheUsersStoreWhenWindowsProtectsIt)
{
    const std::vector<std::string> protectedFolders{"C:\\Program Files", "C:\\Program Files (x86)\\", "C:\\ProgramData",
                                                    "C:\\Windows"};
    const std::string local = "C:\\Users\\Ann\\AppData\\Local\\";
    const struct {
        std::string folder, store;
    } rows[] = {
        {"C:\\Program Files (x86)\\Orvane",
         "C:\\Users\\Ann\\AppData\\Local\\VirtualStore\\Program Files (x86)\\Orvane"},
        {"c:\\PROGRAM FILES (X86)\\Orvane\\",
         "C:\\Users\\Ann\\AppData\\Local\\VirtualStore\\PROGRAM FILES (X86)\\Orvane"},
        {"C:/Program Files//Orvane", "C:\\Users\\Ann\\AppData\\Local\\VirtualStore\\Program Files\\Orvane"},
        {"C:\\ProgramData\\Orvane", "C:\\Users\\Ann\\AppData\\Local\\VirtualStore\\ProgramData\\Orvane"},
        {"C:\\Program Files Old\\Orvane", ""}, // a name that only begins like one
        {"D:\\Program Files\\Orvane", ""},     // another drive
        {"C:\\Games\\Orvane", ""},
        {"C:\\Program Files\\..\\Games\\Orvane", ""}, // would lead out of the store
        {"C:\\Program Files\\.\\Orvane", ""},
        {"\\\\server\\Program Files\\Orvane", ""},
        {"C:Program Files\\Orvane", ""},
        {"", ""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(VirtualStorePath(row.folder, protectedFolders, local), row.store) << row.folder;
    EXPECT_EQ(VirtualStorePath("C:\\Program Files\\Orvane", protectedFolders, ""), "");
}

// The game's folder handed to the program restarted as administrator comes
// back whole, whatever spaces, quotes and trailing backslashes it has.
TEST(QuoteArgument, isReadBackAsTheSystemParsesIt)
{
    const struct {
        std::string argument, quoted;
    } rows[] = {
        {"C:\\Games\\Orvane", "C:\\Games\\Orvane"},
        {"C:\\Program Files (x86)\\Orvane", "\"C:\\Program Files (x86)\\Orvane\""},
        {"C:\\Program Files\\Orvane\\", "\"C:\\Program Files\\Orvane\\\\\""},
        {"D:\\Say \"hi\"\\\\x", "\"D:\\Say \\\"hi\\\"\\\\x\""},
        {"", "\"\""},
        {"C:\\\u0418\u0433\u0440\u044B\\Orvane", "C:\\\u0418\u0433\u0440\u044B\\Orvane"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(QuoteArgument(row.argument), row.quoted) << row.argument;
#ifdef _WIN32
        int count = 0;
        const std::u16string line = Utf8ToUtf16("x.exe --game " + QuoteArgument(row.argument));
        LPWSTR* args = CommandLineToArgvW(reinterpret_cast<const wchar_t*>(line.c_str()), &count);
        ASSERT_EQ(count, 3);
        EXPECT_EQ(Utf16ToUtf8(reinterpret_cast<const char16_t*>(args[2])), row.argument);
        LocalFree(args);
#endif
    }
}

#ifdef _WIN32
// The program restarted as administrator is found by its own path, whatever
// its folder's name; scripts/test-windows.sh runs this from a folder whose
// name the code page lacks, and says where.
TEST(RestartCommand, namesThisProgramWhereverItIs)
{
    const wchar_t* self = _wgetenv(L"OVCACHE_SELF");
    if (!self)
        GTEST_SKIP() << "Run by scripts/test-windows.sh from a folder of its choosing";
    const Restart restart = RestartCommand("C:\\\u0418\u0433\u0440\u0430");
    EXPECT_EQ(restart.program, Utf16ToUtf8(reinterpret_cast<const char16_t*>(self)));
    EXPECT_EQ(restart.arguments, "--game C:\\\u0418\u0433\u0440\u0430");
    const std::u16string program = Utf8ToUtf16(restart.program);
    EXPECT_NE(GetFileAttributesW(reinterpret_cast<const wchar_t*>(program.c_str())), INVALID_FILE_ATTRIBUTES);
}
#endif

} // namespace
} // namespace ovcache
