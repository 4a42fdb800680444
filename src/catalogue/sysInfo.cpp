#include "catalogue/sysInfo.h"

#include "platform/registry.h"

#include <cstdio>

namespace ovcache {
namespace {
constexpr std::size_t kBufferSize = 1024;
constexpr int kNormalFocus = 1;
} // namespace

bool GetKeyValue(std::uint32_t root, const std::string& keyPath, const std::string& valueName, std::string& text)
{
    const auto value = QueryRegValue(root, keyPath, valueName);
    // An empty value has nothing to give; it is not read rather than an error.
    if (!value || value->data.empty() || value->data.size() > kBufferSize) {
        text.clear();
        return false;
    }
    std::string data(value->data.begin(), value->data.end());
    if (data.back() == '\0')
        data.pop_back();
    if (value->type == kRegSz) {
        text = data;
    } else if (value->type == kRegDword) {
        // Each byte as two digits, so a byte below 0x10 keeps its place.
        std::string hex;
        for (std::size_t k = data.size(); k-- > 0;) {
            char digits[3];
            std::snprintf(digits, sizeof digits, "%02X", static_cast<unsigned char>(data[k]));
            hex += digits;
        }
        if (hex.size() > 8) { // more than a 32-bit number holds: no number at all
            text.clear();
            return false;
        }
        text = std::to_string(static_cast<std::int32_t>(std::stoul(hex.empty() ? "0" : hex, nullptr, 16)));
    }
    return true;
}

bool StartSysInfo(SysInfoHost& host, FileSystemService& fso)
{
    std::string path;
    bool found = GetKeyValue(kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", path);
    if (!found && GetKeyValue(kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO", path) &&
        fso.FileExists(path + "\\MSINFO32.EXE")) {
        path += "\\MSINFO32.EXE";
        found = true;
    }
    return found && host.StartProgram(path, kNormalFocus);
}

} // namespace ovcache
