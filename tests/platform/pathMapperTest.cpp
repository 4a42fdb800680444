#include "platform/pathMapper.h"
#include "testSupport.h"

#include <gtest/gtest.h>

namespace ovcache {
namespace {

using test::TempPrefix;
using test::WriteFile;

TEST(PathMapper, driveLetterGoesThroughThePrefixLowerCased)
{
    OVCACHE_WINE_STORE_ONLY();
    TempPrefix prefix;
    EXPECT_EQ(ToNativePath("C:\\Games"), (prefix.Root() / "dosdevices/c:/Games").string());
    EXPECT_EQ(ToNativePath("c:\\Games"), ToNativePath("C:\\Games"));
    EXPECT_EQ(ToNativePath("C:\\Missing\\Thing.txt"), (prefix.Root() / "dosdevices/c:/Missing/Thing.txt").string());
    EXPECT_EQ(ToNativePath("d:/x"), (prefix.Root() / "dosdevices/d:/x").string());
}

TEST(PathMapper, componentsAreFoundWithoutRegardToCaseButExactFirst)
{
    OVCACHE_WINE_STORE_ONLY();
    TempPrefix prefix;
    prefix.MakeGame();
    WriteFile(prefix.Cache() / "cache.ini", "x");
    const std::string c = (prefix.Root() / "dosdevices" / "c:").string();
    EXPECT_EQ(ToNativePath("C:\\GAMES\\orvane\\cache\\Cache.INI"), c + "/Games/Orvane/Cache/cache.ini");
    WriteFile(prefix.Cache() / "Cache.INI", "y");
    EXPECT_EQ(ToNativePath("C:\\Games\\Orvane\\Cache\\Cache.INI"), c + "/Games/Orvane/Cache/Cache.INI");
}

TEST(PathMapper, separatorsCollapseAndDotsResolve)
{
    OVCACHE_WINE_STORE_ONLY();
    TempPrefix prefix;
    const std::string c = (prefix.Root() / "dosdevices" / "c:").string();
    EXPECT_EQ(ToNativePath("C:\\Games\\\\Orvane\\.\\Cache\\"), c + "/Games/Orvane/Cache");
    EXPECT_EQ(ToNativePath("C:\\Games\\Orvane\\..\\Cache"), c + "/Games/Cache");
    EXPECT_EQ(ToNativePath("C:\\..\\..\\etc"), c + "/etc");
}

TEST(PathMapper, pathWithoutDriveIsRootedAtTheTop)
{
    OVCACHE_WINE_STORE_ONLY();
    EXPECT_EQ(ToNativePath("\\Cache"), "/Cache");
    EXPECT_EQ(ToNativePath("\\\\Cache\\cache.ini"), "/Cache/cache.ini");
}

TEST(PathMapper, unicodeNamesAreFoundWithoutRegardToCase)
{
    OVCACHE_WINE_STORE_ONLY();
    TempPrefix prefix;
    const std::string c = (prefix.Root() / "dosdevices" / "c:").string();
    EXPECT_EQ(ToNativePath("C:\\Jeux\\\u00C9t\u00E9\u0081"), c + "/Jeux/\u00C9t\u00E9\u0081");
    test::WriteFile(prefix.Drive() / u8"\u00E9t\u00E9 micha\u0142", "x");
    EXPECT_EQ(ToNativePath("C:\\\u00C9T\u00C9 MICHA\u0141"), c + "/\u00E9t\u00E9 micha\u0142");
}

} // namespace
} // namespace ovcache
