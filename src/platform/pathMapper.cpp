#include "platform/pathMapper.h"

#ifndef _WIN32
#include "platform/codePage.h"
#include "platform/winePrefix.h"

#include <cctype>
#include <filesystem>
#include <system_error>
#include <vector>
#endif

namespace ovcache {

#ifdef _WIN32

std::string ToNativePath(std::string_view windowsPath)
{
    return std::string(windowsPath);
}

#else

namespace fs = std::filesystem;

namespace {

bool Exists(const fs::path& p)
{
    std::error_code ec;
    return fs::exists(fs::symlink_status(p, ec));
}

// The entry of dir whose name equals name without regard to case, if any.
std::string FindIgnoringCase(const fs::path& dir, const std::string& nameCp1252)
{
    std::error_code ec;
    const std::string wanted = FoldCaseCp1252(nameCp1252);
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string candidate = it->path().filename().string();
        if (FoldCaseCp1252(Utf8ToCp1252(candidate)) == wanted)
            return candidate;
    }
    return {};
}

} // namespace

std::string ToNativePath(std::string_view windowsPath)
{
    fs::path current = "/";
    std::string_view rest = windowsPath;
    if (rest.size() >= 2 && rest[1] == ':' && std::isalpha(static_cast<unsigned char>(rest[0]))) {
        const char drive = static_cast<char>(std::tolower(static_cast<unsigned char>(rest[0])));
        current = WinePrefix() / "dosdevices" / (std::string(1, drive) + ":");
        rest.remove_prefix(2);
    }

    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= rest.size()) {
        std::size_t end = rest.find_first_of("\\/", start);
        if (end == std::string_view::npos)
            end = rest.size();
        const std::string_view part = rest.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.emplace_back(part);
        }
        start = end + 1;
    }

    bool resolving = true; // below a missing component nothing can be found
    for (const std::string& part : parts) {
        const std::string exact = Cp1252ToUtf8(part);
        if (resolving && !Exists(current / exact)) {
            const std::string found = FindIgnoringCase(current, part);
            if (!found.empty()) {
                current /= found;
                continue;
            }
            resolving = false;
        }
        current /= exact;
    }
    return current.string();
}

#endif

} // namespace ovcache
