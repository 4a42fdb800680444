#include "platform/uac.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace ovcache
