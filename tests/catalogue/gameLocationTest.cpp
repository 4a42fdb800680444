// Where the game is, one rule for both programs: the folder named on the
// command line alone, then where the system keeps it (the registry on
// Windows, the Wine prefix here), then the folder chosen last time.
#include "catalogue/gameLocation.h"
#include "catalogue/commands.h"
#include "testSupport.h"

#include <gtest/gtest.h>

namespace ovcache {
namespace {

namespace fs = std::filesystem;

std::string Utf8(const fs::path& path)
{
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

TEST(GameLocation, isDecidedInOneOrderOnBothSystems)
{
#ifdef _WIN32
    const std::string system = "registry";
#else
    const std::string system = "WINEPREFIX";
#endif
    enum Place { None, Game, Other, Missing };
    const struct {
        const char* name;
        Place named, registered, remembered;
        std::string source; // "" when none is decided
        Place decided;
    } rows[] = {
        {"the command line first", Game, Other, Other, "command line", Game},
        {"a named folder without the game decides alone", Missing, Game, Game, "", None},
        {"then the system's own record", None, Game, Other, system, Game},
        {"then the folder chosen last time", None, Missing, Game, "chosen last time", Game},
        {"not registered at all", None, None, Game, "chosen last time", Game},
        {"nowhere", None, Missing, Missing, "", None},
        {"nothing to go on", None, None, None, "", None},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        test::TempPrefix prefix;
        prefix.MakeGame(); // registered: replaced below
        fs::create_directories(prefix.Drive() / "Other" / "System");
        const auto host = [&](Place place) {
            return place == Game ? Utf8(prefix.Game()) : Utf8(prefix.Drive() / (place == Other ? "Other" : "Gone"));
        };
        const auto windows = [&](Place place) {
            return place == Game ? prefix.GameWin() : prefix.DriveWin() + (place == Other ? "\\Other" : "\\Gone");
        };
        if (row.registered == None)
            prefix.SetRegString(kGameKey, kGameValue, ""); // an empty value is no folder
        else
            prefix.RegisterGame(windows(row.registered));
        GameRequest request;
        if (row.named != None)
            request.named = host(row.named);
        if (row.remembered != None)
            request.remembered = host(row.remembered);
        const GameLocation location = LocateGame(request);
        EXPECT_EQ(location.game.has_value(), row.decided != None);
        EXPECT_EQ(location.refused.empty(), row.named != Missing);
        EXPECT_FALSE(location.refused.empty() && !location.game && location.search.looked.empty() &&
                     location.passed.empty());
        EXPECT_EQ(location.refusedReason.empty(), location.refused.empty());
        if (location.game) {
            EXPECT_EQ(location.game->source, row.source);
            EXPECT_EQ(location.game->gameFolder, windows(row.decided));
        }
    }
}

} // namespace
} // namespace ovcache
