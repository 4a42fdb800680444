#include "platform/uac.h"

namespace ovcache {

// The game runs under Wine here, which writes where it is told.
std::string VirtualStoreFolder(const std::string&)
{
    return {};
}

bool CanRestartAsAdministrator()
{
    return false;
}

Restart RestartCommand(const std::string& /*gameFolder*/)
{
    return {};
}

bool RestartAsAdministrator(const std::string& /*gameFolder*/)
{
    return false;
}

} // namespace ovcache
