#include "platform/pathMapper.h"

namespace ovcache {

// Windows opens its own paths as they are.
std::string ToNativePath(std::string_view windowsPath)
{
    return std::string(windowsPath);
}

} // namespace ovcache
