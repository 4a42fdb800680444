#include "catalogue/entryNames.h"

#include "catalogue/cacheIndex.h"

#include <array>
#include <cctype>
#include <string>

namespace ovcache {
namespace {

constexpr std::size_t kLongestName = 255;

// Every name Windows reserves for a device, before any extension and
// trailing spaces, in any case: CON, PRN, AUX, NUL, CONIN$, CONOUT$, and COM
// and LPT followed by a digit 0-9 or a superscript one, two or three.
bool IsDeviceName(std::string_view name)
{
    std::string_view base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.remove_suffix(1);
    std::string upper(base);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    static constexpr std::array<std::string_view, 6> kPlain = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const std::string_view device : kPlain)
        if (upper == device)
            return true;
    if (upper.size() != 4 || !(upper.starts_with("COM") || upper.starts_with("LPT")))
        return false;
    const auto last = static_cast<unsigned char>(upper[3]);
    return (last >= '0' && last <= '9') || last == 0xB9 || last == 0xB2 || last == 0xB3; // Windows-1252 superscripts
}

} // namespace

bool IsSafeFileName(std::string_view name)
{
    // No Windows or Linux file system holds a name longer than 255.
    if (name.empty() || name == "." || name == ".." || name.size() > kLongestName)
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
