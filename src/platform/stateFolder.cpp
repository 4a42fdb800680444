#include "platform/stateFolder.h"

#include <cstdlib>

namespace ovcache {

#ifdef _WIN32
std::filesystem::path StateFolder()
{
    const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
    if (!local || !*local)
        return {};
    return std::filesystem::path(local) / L"Orvane Cache Importer";
}
#else
std::filesystem::path StateFolder()
{
    std::filesystem::path state;
    if (const char* set = std::getenv("XDG_STATE_HOME"); set && *set == '/')
        state = set;
    else if (const char* home = std::getenv("HOME"); home && *home == '/')
        state = std::filesystem::path(home) / ".local" / "state";
    else
        return {};
    return state / "orvane-cache-importer";
}
#endif

} // namespace ovcache
