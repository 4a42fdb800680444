#include "catalogue/entryNames.h"

#include "platform/codePage.h"

#include <array>
#include <cctype>
#include <string>

namespace ovcache {
namespace {

constexpr std::size_t kLongestName = 255; // UTF-16 units, as Windows counts

// Every name Windows reserves for a device, before any extension and
// trailing spaces, in any case: CON, PRN, AUX, NUL, CONIN$, CONOUT$, and COM
// and LPT followed by a digit 0-9 or a superscript one, two or three.
bool IsDeviceName(std::string_view name)
{
    std::string_view base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.remove_suffix(1);
    if (base.size() < 3 || base.size() > 7) // CONOUT$ is the longest
        return false;
    std::string upper(base);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    static constexpr std::array<std::string_view, 6> kPlain = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const std::string_view device : kPlain)
        if (upper == device)
            return true;
    // the digit, or a superscript one's two bytes
    if ((upper.size() != 4 && upper.size() != 5) || !(upper.starts_with("COM") || upper.starts_with("LPT")))
        return false;
    const std::string_view last = std::string_view(upper).substr(3);
    if (last.size() == 1)
        return last[0] >= '0' && last[0] <= '9';
    return last == "\u00B9" || last == "\u00B2" || last == "\u00B3";
}

} // namespace

bool IsSafeFileName(std::string_view name)
{
    // No Windows or Linux file system holds a name longer than 255.
    if (name.empty() || name == "." || name == ".." || (!IsAscii(name) && !IsUtf8(name)))
        return false;
    if (name.size() > kLongestName && Utf8ToUtf16(name).size() > kLongestName) // never more units than bytes
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

bool IsSafeIndexName(std::string_view text)
{
    return IsAscii(text) ? IsSafeFileName(text) : IsSafeFileName(AnsiToUtf8(text));
}

} // namespace ovcache
