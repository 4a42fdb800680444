#include "catalogue/entryNames.h"

#include "catalogue/cacheIndex.h"

#include <array>
#include <cctype>
#include <string>

namespace ovcache {
namespace {

bool IsDeviceName(std::string_view name)
{
    std::string base(name.substr(0, name.find('.')));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    for (char& c : base)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    static constexpr std::array<std::string_view, 4> kPlain = {"CON", "PRN", "AUX", "NUL"};
    for (const std::string_view device : kPlain)
        if (base == device)
            return true;
    return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) &&
           base[3] >= '1' && base[3] <= '9';
}

} // namespace

bool IsSafeFileName(std::string_view name)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    for (const char c : name)
        if (static_cast<unsigned char>(c) < 32 || std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos)
            return false;
    if (name.back() == '.' || name.back() == ' ')
        return false;
    return !IsDeviceName(name);
}

bool IsSafeEntry(std::string_view line)
{
    return IsSafeFileName(EntryKey(line)) && IsSafeFileName(EntryName(line));
}

} // namespace ovcache
