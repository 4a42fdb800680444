// Replays the fuzzers' seed inputs and every input they ever found a fault
// with (fuzz/regressions), so that a fault once fixed stays fixed.
#include "fuzzChecks.h"
#include "testSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace ovcache {
namespace {

namespace fs = std::filesystem;

void Replay(const std::string& folder, const std::string& prefix, std::string (*check)(std::string_view), int& replayed)
{
    const fs::path root = fs::path(OVCACHE_FUZZ_INPUTS) / folder;
    if (!fs::exists(root))
        return;
    for (const auto& entry : fs::directory_iterator(root)) {
        const std::string name = entry.path().filename().string();
        if (!prefix.empty() && name.rfind(prefix, 0) != 0)
            continue;
        EXPECT_EQ(check(test::ReadFile(entry.path())), "") << entry.path();
        ++replayed;
    }
}

TEST(FuzzInputs, indexInputsKeepEveryRule)
{
    int replayed = 0;
    Replay("corpus/index", "", fuzz::CheckIndexText, replayed);
    Replay("regressions", "index-", fuzz::CheckIndexText, replayed);
    EXPECT_GE(replayed, 2);
}

TEST(FuzzInputs, registryInputsKeepEveryRule)
{
    int replayed = 0;
    Replay("corpus/registry", "", fuzz::CheckRegistryText, replayed);
    Replay("regressions", "registry-", fuzz::CheckRegistryText, replayed);
    EXPECT_GE(replayed, 3);
}

#ifndef _WIN32
TEST(FuzzInputs, launcherInputsKeepEveryRule)
{
    int replayed = 0;
    Replay("corpus/launcher", "", fuzz::CheckLauncherText, replayed);
    Replay("regressions", "launcher-", fuzz::CheckLauncherText, replayed);
    EXPECT_GE(replayed, 3);
}
#endif

TEST(FuzzInputs, hostileLinesKeepEveryRule)
{
    // A key with a backslash, and a name with a NUL in it.
    EXPECT_EQ(fuzz::CheckIndexText("[Cache]\r\nA\\B=x.kmx\r\n"), "");
    EXPECT_EQ(fuzz::CheckIndexText(std::string("A=\0.kmx", 7)), "");
}

} // namespace
} // namespace ovcache
