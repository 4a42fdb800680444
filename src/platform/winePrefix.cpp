#include "platform/winePrefix.h"

#include <filesystem>

#include <cstdlib>
#include <optional>

namespace ovcache {
namespace {
std::optional<std::filesystem::path>& Chosen()
{
    static std::optional<std::filesystem::path> chosen;
    return chosen;
}
} // namespace

void UseWinePrefix(const std::filesystem::path& prefix)
{
    Chosen() = prefix;
}

std::filesystem::path WinePrefix()
{
    if (Chosen())
        return *Chosen();
    if (const char* prefix = std::getenv("WINEPREFIX"); prefix && *prefix)
        return prefix;
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : "/") / ".wine";
}

} // namespace ovcache
