#include "platform/winePrefix.h"

#include "platform/codePage.h"
#include "platform/wineRegistry.h"

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
    UseAnsiCodePage(WineAnsiCodePage(prefix));
}

unsigned WineAnsiCodePage(const std::filesystem::path& prefix)
{
    // As Wine records it when it makes the prefix, from the locale; a game
    // outside any prefix (a Windows partition, a copied install) is read as
    // Western European Windows writes it.
    if (prefix.empty())
        return 1252;
    const auto value =
        WineRegistry::FindInFile(prefix / "system.reg", "System\\CurrentControlSet\\Control\\Nls\\CodePage", "ACP");
    if (!value || value->type != kRegSz)
        return 1252;
    unsigned number = 0;
    for (std::size_t k = 0; k + 1 < value->data.size() && value->data[k] >= '0' && value->data[k] <= '9' &&
                            value->data[k + 1] == 0 && number < 100000;
         k += 2)
        number = number * 10 + (value->data[k] - '0');
    return number == 0 ? 1252 : number;
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
