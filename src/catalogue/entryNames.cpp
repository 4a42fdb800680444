#include "catalogue/entryNames.h"

#include "catalogue/cacheIndex.h"

#include <array>
#include <cctype>
#include <string>

namespace ovcache {
namespace {

bool IsDeviceName(std::string_view name)
{
    std::string_view trimmed = name.substr(0, name.find('.'));
    while (!trimmed.empty() && trimmed.back() == ' ')
        trimmed.remove_suffix(1);
    if (trimmed.size() != 3 && trimmed.size() != 4)
        return false;
    std::string base(trimmed);
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    for (char& c : base)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    static constexpr std::array<std::string_view, 4> kPlain = {"CON", "PRN", "AUX", "NUL"};
    for (const std::string_view device : kPlain)
        if (base == device)
            return true;
    return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) && base[3] >= '1' && base[3] <= '9';
}

} // namespace

bool IsSafeFileName(std::string_view name)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    static const auto forbidden = [] {
        std::array<bool, 256> table{};
        for (int c = 0; c < 32; ++c)
            table[c] = true;
        for (const char c : std::string_view("\\/:*?\"<>|"))
            table[static_cast<unsigned char>(c)] = true;
        return table;
    }();
    for (const char c : name)
        if (forbidden[static_cast<unsigned char>(c)])
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
