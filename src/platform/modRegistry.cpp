#include "platform/modRegistry.h"

#include "platform/registry.h"

namespace ovcache {

std::string ReadRegString(std::uint32_t hKey, const std::string& strSubKey, const std::string& strValueName,
                          const std::string& strDefault)
{
    std::string result = strDefault;
    const auto value = QueryRegValue(hKey, strSubKey, strValueName);
    if (value && value->type == kRegSz) {
        const std::string buffer(value->data.begin(), value->data.end());
        // A value stored without its NUL fills the buffer and is taken whole.
        result = buffer.substr(0, buffer.find('\0'));
    }
    return result;
}

} // namespace ovcache
