#include "platform/wineRegistry.h"
#include "catalogue/commands.h"
#include "platform/modRegistry.h"
#include "platform/pathMapper.h"
#include "platform/registry.h"
#include "testSupport.h"

#include <cstdlib>
#include <cstring>
#ifdef _WIN32
#include <windows.h>
#endif

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace ovcache {
namespace {

using test::TempPrefix;

const std::string kHeader = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win32\n\n";

std::string Read(const std::string& key, const std::string& value, const std::string& fallback = "<default>")
{
    return ReadRegString(kHKeyLocalMachine, key, value, fallback);
}

TEST(WineRegistry, readsTheGameFolderWithEscapesAndAnyCase)
{
    OVCACHE_WINE_STORE_ONLY();
    TempPrefix prefix;
    prefix.WriteSystemReg(kHeader + "[Software\\\\Zephiral Technology\\\\Installed Apps\\\\Orvane] 1700000000\n"
                                    "#time=1d9e0a0b0c0d0e0\n"
                                    "\"Folder\"=\"C:\\\\Games\\\\Orvane \\\"Gold\\\"\"\n");
    EXPECT_EQ(Read("Software\\Zephiral Technology\\Installed Apps\\Orvane", "Folder"), "C:\\Games\\Orvane \"Gold\"");
    EXPECT_EQ(Read("SOFTWARE\\zephiral technology\\INSTALLED APPS\\orvane", "FOLDER"), "C:\\Games\\Orvane \"Gold\"");
    EXPECT_EQ(Read("Software\\Zephiral Technology\\Installed Apps\\Orvane", "Other"), "<default>");
    EXPECT_EQ(Read("Software\\Nobody", "Folder"), "<default>");
}

TEST(WineRegistry, onlyStringValuesAnswer)
{
    OVCACHE_WINE_STORE_ONLY();
    TempPrefix prefix;
    prefix.WriteSystemReg(kHeader + "[Software\\\\T] 1\n"
                                    "\"Expand\"=str(2):\"%WINDIR%\"\n"
                                    "\"Number\"=dword:0000000a\n"
                                    "\"Bytes\"=hex:41,42\n"
                                    "\"Plain\"=str:\"yes\"\n"
                                    "\"Empty\"=\"\"\n");
    EXPECT_EQ(Read("Software\\T", "Expand"), "<default>");
    EXPECT_EQ(Read("Software\\T", "Number"), "<default>");
    EXPECT_EQ(Read("Software\\T", "Bytes"), "<default>");
    EXPECT_EQ(Read("Software\\T", "Plain"), "yes");
    // An empty string is a value, not a missing one.
    EXPECT_EQ(Read("Software\\T", "Empty"), "");
}

TEST(WineRegistry, stringStoredWithoutNulIsTakenWholeAndCutAtTheFirstNul)
{
    OVCACHE_WINE_STORE_ONLY();
    TempPrefix prefix;
    prefix.WriteSystemReg(kHeader + "[Software\\\\T] 1\n"
                                    "\"NoNul\"=hex(1):43,00,3a,00,5c,00\n"
                                    "\"TwoParts\"=hex(1):41,00,00,00,42,00,00,00\n"
                                    "\"Split\"=hex(1):44,00,3a,00,\\\n"
                                    "  5c,00,47,00,00,00\n");
    EXPECT_EQ(Read("Software\\T", "NoNul"), "C:\\");
    EXPECT_EQ(Read("Software\\T", "TwoParts"), "A");
    EXPECT_EQ(Read("Software\\T", "Split"), "D:\\G");
}

TEST(WineRegistry, decodesEveryStringEscape)
{
    const auto reg =
        WineRegistry::Parse(kHeader + "[K] 1\n"
                                      "\"v\"=\"\\a\\b\\t\\n\\v\\f\\r\\e|\\101\\60|\\x41\\x20ac|\\q|\\[\\]\"\n"
                                      "\"raw\"=\"caf\xC3\xA9 \xE2\x82\xAC \xD0\x96\"\n"
                                      "@=\"default\"\n");
    ASSERT_TRUE(reg);
    const auto v = reg->Find("K", "v");
    ASSERT_TRUE(v);
    const RegValue text = ToUtf8Form(*v);
    EXPECT_EQ(std::string(text.data.begin(), text.data.end()),
              std::string("\a\b\t\n\v\f\r\x1b|A0|A\xE2\x82\xAC|q|[]") + '\0');
    const RegValue raw = ToUtf8Form(*reg->Find("k", "RAW"));
    EXPECT_EQ(std::string(raw.data.begin(), raw.data.end()), std::string("caf\xC3\xA9 \xE2\x82\xAC \xD0\x96") + '\0');
    EXPECT_TRUE(reg->Find("K", ""));
}

TEST(WineRegistry, keyNamesWithEscapedBracketsAndCommentsAreParsed)
{
    const auto reg = WineRegistry::Parse(kHeader + "; a comment\n"
                                                   "[Software\\\\Odd \\[x\\]] 1\n"
                                                   "#class=\"Thing\"\n"
                                                   "\"a\"=dword:00000001\n"
                                                   "[Software\\\\Next] 2\n"
                                                   "\"a\"=\"b\"\n");
    ASSERT_TRUE(reg);
    ASSERT_TRUE(reg->Find("Software\\Odd [x]", "a"));
    EXPECT_EQ(reg->Find("Software\\Odd [x]", "a")->type, kRegDword);
    EXPECT_FALSE(reg->Find("Software\\Next", "b"));
}

TEST(WineRegistry, win64PrefixLooksUnderWow6432NodeFirstThenThePlainPath)
{
    OVCACHE_WINE_STORE_ONLY();
    TempPrefix prefix;
    prefix.WriteSystemReg("WINE REGISTRY Version 2\n#arch=win64\n\n"
                          "[Software\\\\Wow6432Node\\\\Vendor] 1\n\"A\"=\"32-bit\"\n"
                          "[Software\\\\Vendor] 1\n\"A\"=\"64-bit\"\n\"B\"=\"only plain\"\n");
    EXPECT_EQ(Read("Software\\Vendor", "A"), "32-bit");
    EXPECT_EQ(Read("Software\\Vendor", "B"), "only plain");

    prefix.RegisterGame("C:\\Program Files (x86)\\Orvane", true);
    EXPECT_EQ(Read("Software\\Zephiral Technology\\Installed Apps\\Orvane", "Folder"),
              "C:\\Program Files (x86)\\Orvane");
}

TEST(WineRegistry, missingOrForeignFilesGiveTheDefault)
{
    OVCACHE_WINE_STORE_ONLY();
    TempPrefix prefix;
    EXPECT_EQ(Read("Software\\T", "A", "fallback"), "fallback");
    prefix.WriteSystemReg("REGEDIT4\n[Software\\\\T]\n\"A\"=\"x\"\n");
    EXPECT_EQ(Read("Software\\T", "A", "fallback"), "fallback");
    EXPECT_FALSE(QueryRegValue(0x80000003, "Software\\T", "A"));
}

// A hostile or broken system.reg gives the default, quickly: a pipe is not
// waited on, a key line of a lone "\\" continued by an empty line is passed
// over, and a Folder value of many parts resolves in time linear in its length.
TEST(WineRegistry, hostileRegistryFilesAndValuesCannotHangOrCrash)
{
    OVCACHE_WINE_STORE_ONLY();
    TempPrefix prefix;
    EXPECT_TRUE(WineRegistry::Parse("WINE REGISTRY Version 2\n[Software\\\\T]\n\\\n\n\"A\"=\"x\"\n"));
    // A line longer than any Wine writes and a long run of empty lines are
    // read past, line by line, to the value.
    prefix.WriteSystemReg("WINE REGISTRY Version 2\n" + std::string(std::size_t{3} << 20, 'x') + "\n" +
                          std::string(std::size_t{4} << 20, '\n') + "[Software\\\\T] 1\n\"A\"=\"found\"\n");
    EXPECT_EQ(Read("Software\\T", "A"), "found");
#ifndef _WIN32
    std::filesystem::remove(prefix.Root() / "system.reg");
    ASSERT_EQ(::mkfifo((prefix.Root() / "system.reg").c_str(), 0644), 0);
    EXPECT_EQ(Read("Software\\T", "A", "fallback"), "fallback");
#endif
    std::string folder = "C:";
    for (int k = 0; k < 2'000'000; ++k)
        folder += "\\a";
    EXPECT_FALSE(ToNativePath(folder + "\\Cache").empty());
}

TEST(WineRegistry, unicodeTextComesBackWhole)
{
    OVCACHE_WINE_STORE_ONLY();
    TempPrefix prefix;
    prefix.WriteSystemReg(kHeader + "[Software\\\\T] 1\n\"A\"=\"C:\\\\Jeux\\\\\\xe9t\\xe9 \\x3b1\"\n");
    EXPECT_EQ(Read("Software\\T", "A"), "C:\\Jeux\\\u00E9t\u00E9 \u03B1"); // Greek on any code page
}

} // namespace
} // namespace ovcache

namespace ovcache {
namespace {

// A system.reg that Wine 8 wrote itself, in a 64-bit prefix where the game's
// key was added through the 32-bit view, cut down to a sample of its keys.
TEST(WineRegistry, readsARegistryThatWineWrote)
{
    OVCACHE_WINE_STORE_ONLY();
    TempPrefix prefix;
    std::filesystem::copy_file(std::string(OVCACHE_FIXTURES) + "/wine-system.reg", prefix.Root() / "system.reg");
    const std::string key = "Software\\Zephiral Technology\\Installed Apps\\Orvane";
    EXPECT_EQ(Read(key, "Folder"), "C:\\Program Files (x86)\\Orvane");
    EXPECT_EQ(Read(key, "Build"), "<default>");
    EXPECT_EQ(Read(key, "Music"), "<default>");
    const auto build = QueryRegValue(kHKeyLocalMachine, key, "Build");
    ASSERT_TRUE(build);
    EXPECT_EQ(build->data, (std::vector<std::uint8_t>{0xb4, 0x01, 0, 0}));
    const auto music = QueryRegValue(kHKeyLocalMachine, key, "Music");
    ASSERT_TRUE(music);
    EXPECT_EQ(music->type, kRegExpandSz);

    // A byte list that Wine wrapped over four lines.
    const auto reg = WineRegistry::Parse(test::ReadFile(prefix.Root() / "system.reg"));
    ASSERT_TRUE(reg);
    const auto filter = reg->Find("Software\\Classes\\CLSID\\{083863F1-70DE-11D0-BD40-00A0C911CE86}\\Instance\\"
                                  "{51B4ABF3-748F-4E3B-A276-C828330E926A}",
                                  "FilterData");
    ASSERT_TRUE(filter);
    EXPECT_EQ(filter->type, kRegBinary);
    ASSERT_EQ(filter->data.size(), 88u);
    EXPECT_EQ(filter->data[0], 0x02);
    EXPECT_EQ(filter->data[67], 0xaa);
}

} // namespace
} // namespace ovcache

namespace ovcache {
namespace {

// The same questions to whichever store this system has: the real registry's
// 32-bit view on Windows, the prefix's system.reg elsewhere.
TEST(ReadRegString, answersOnlyStringValuesAndCutsAtTheFirstNul)
{
    TempPrefix prefix;
    const std::string key = "Software\\OvcacheTest\\Values";
    prefix.SetRegString(key, "Text", "C:\\Games\\Orvane\\");
    prefix.SetRegString(key, "Empty", "");
    prefix.SetRegValue(key, "NoNul", kRegSz, {'C', ':', '\\', 'X'});
    prefix.SetRegValue(key, "TwoParts", kRegSz, {'A', 0, 'B', 0});
    prefix.SetRegValue(key, "Number", kRegDword, {1, 0, 0, 0});
    prefix.SetRegValue(key, "Expand", kRegExpandSz, {'%', 'X', '%', 0});
    prefix.SetRegValue(key, "Bytes", kRegBinary, {'a', 'b'});

    EXPECT_EQ(Read(key, "Text"), "C:\\Games\\Orvane\\");
    EXPECT_EQ(Read(key, "Empty"), "");
    EXPECT_EQ(Read(key, "NoNul"), "C:\\X");
    EXPECT_EQ(Read(key, "TwoParts"), "A");
    EXPECT_EQ(Read(key, "Number"), "<default>");
    EXPECT_EQ(Read(key, "Expand"), "<default>");
    EXPECT_EQ(Read(key, "Bytes"), "<default>");
    EXPECT_EQ(Read(key, "Missing"), "<default>");
    EXPECT_EQ(Read("Software\\OvcacheTest\\NoSuchKey", "Text"), "<default>");
}

TEST(ReadRegString, findsTheGameWhereItsInstallerWroteIt)
{
    TempPrefix prefix;
    EXPECT_EQ(Read(kGameKey, kGameValue, ""), "");
    prefix.RegisterGame("C:\\Program Files (x86)\\Orvane", true);
    EXPECT_EQ(Read(kGameKey, kGameValue, ""), "C:\\Program Files (x86)\\Orvane");
}

// Written by "reg add" without /reg:32, the value sits in the 64-bit view;
// both builds look there after the 32-bit one, so one prefix gives one answer.
TEST(ReadRegString, findsTheGameInThe64BitViewToo)
{
    TempPrefix prefix;
#ifdef _WIN32
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kGameKey, 0, nullptr, 0, KEY_WRITE | KEY_WOW64_64KEY, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    const std::string folder = "C:\\Orvane64";
    RegSetValueExA(key, kGameValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                   static_cast<DWORD>(folder.size() + 1));
    EXPECT_EQ(Read(kGameKey, kGameValue, ""), folder);
    RegDeleteValueA(key, kGameValue);
    RegCloseKey(key);
#else
    prefix.WriteSystemReg("WINE REGISTRY Version 2\n#arch=win64\n\n"
                          "[Software\\\\Zephiral Technology\\\\Installed Apps\\\\Orvane] 1\n"
                          "\"Folder\"=\"C:\\\\Orvane64\"\n");
    EXPECT_EQ(Read(kGameKey, kGameValue, ""), "C:\\Orvane64");
#endif
}

// Run by the Windows suite under Wine, which then leaves the value for the
// Linux suite's check below: both sides must read the same answer.
// Written as the game's ANSI installer writes it, in code page 1252; read
// back whole in Unicode on both sides.
const char* const kSharedFolder = "C:\\Program Files (x86)\\Orvane \xC9"
                                  "dition";
const char* const kSharedFolderRead = "C:\\Program Files (x86)\\Orvane \u00C9dition";

TEST(RegistryAgreement, windowsSideWritesTheGameKey)
{
#ifndef _WIN32
    GTEST_SKIP() << "The Windows suite writes the key";
#else
    if (!std::getenv("OVCACHE_LEAVE_GAME_KEY"))
        GTEST_SKIP() << "Only when the check on the Linux side follows (OVCACHE_LEAVE_GAME_KEY)";
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kGameKey, 0, nullptr, 0, KEY_WRITE | KEY_WOW64_32KEY, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, kGameValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(kSharedFolder),
                             static_cast<DWORD>(std::strlen(kSharedFolder) + 1)),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(Read(kGameKey, kGameValue, ""), kSharedFolderRead);
#endif
}

TEST(RegistryAgreement, linuxSideReadsWhatWineWrote)
{
#ifdef _WIN32
    GTEST_SKIP() << "The Linux suite reads the prefix";
#else
    const char* written = std::getenv("OVCACHE_WINE_WRITTEN_PREFIX");
    if (!written)
        GTEST_SKIP() << "Only after the Windows suite ran in a Wine prefix (OVCACHE_WINE_WRITTEN_PREFIX)";
    ::setenv("WINEPREFIX", written, 1);
    EXPECT_EQ(Read(kGameKey, kGameValue, ""), kSharedFolderRead);
    ::unsetenv("WINEPREFIX");
#endif
}

} // namespace
} // namespace ovcache
