// The registry of the current Wine prefix stands in for Windows' own.
#include "platform/registry.h"
#include "platform/winePrefix.h"
#include "platform/wineRegistry.h"

namespace ovcache {

std::optional<RegValue> QueryRegValue(std::uint32_t root, const std::string& subKey, const std::string& valueName)
{
    const char* file = root == kHKeyLocalMachine ? "system.reg" : root == kHKeyCurrentUser ? "user.reg" : nullptr;
    if (!file || WinePrefix().empty()) // a game outside any prefix has no registry
        return std::nullopt;
    const auto value = WineRegistry::FindInFile(WinePrefix() / file, subKey, valueName);
    if (!value)
        return std::nullopt;
    return ToUtf8Form(*value);
}

} // namespace ovcache
