#include "platform/winePrefix.h"

#include <cstdlib>

namespace ovcache {

std::filesystem::path WinePrefix()
{
    if (const char* prefix = std::getenv("WINEPREFIX"); prefix && *prefix)
        return prefix;
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : "/") / ".wine";
}

} // namespace ovcache
