#include "platform/uac.h"

#include "platform/codePage.h"

#include <string_view>

namespace ovcache {
namespace {

struct DrivePath {
    std::string drive; // "C:", folded
    std::vector<std::string_view> parts;
};

// A drive and the names below it; nothing when the path is no plain absolute
// path on a drive.
bool Split(std::string_view path, DrivePath& out)
{
    if (path.size() < 2 || path[1] != ':' || !((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z'))
        return false;
    if (path.size() > 2 && path[2] != '\\' && path[2] != '/')
        return false; // "C:name" is relative to the drive's current folder
    out.drive = FoldCase(path.substr(0, 2));
    out.parts.clear();
    for (std::size_t start = 2; start < path.size();) {
        std::size_t end = path.find_first_of("\\/", start);
        if (end == std::string_view::npos)
            end = path.size();
        const std::string_view part = path.substr(start, end - start);
        if (part == "." || part == "..")
            return false;
        if (!part.empty())
            out.parts.push_back(part);
        start = end + 1;
    }
    return true;
}

} // namespace

std::string VirtualStorePath(const std::string& folder, const std::vector<std::string>& protectedFolders,
                             const std::string& localAppData)
{
    DrivePath game, root;
    if (localAppData.empty() || !Split(folder, game))
        return {};
    for (const std::string& protectedFolder : protectedFolders) {
        if (!Split(protectedFolder, root) || root.parts.empty() || root.drive != game.drive ||
            root.parts.size() > game.parts.size())
            continue;
        bool below = true;
        for (std::size_t k = 0; below && k < root.parts.size(); ++k)
            below = FoldCase(root.parts[k]) == FoldCase(game.parts[k]);
        if (!below)
            continue;
        std::string store = localAppData;
        while (!store.empty() && (store.back() == '\\' || store.back() == '/'))
            store.pop_back();
        store += "\\VirtualStore";
        for (const std::string_view part : game.parts) {
            store += '\\';
            store += part;
        }
        return store;
    }
    return {};
}

} // namespace ovcache

namespace ovcache {

std::string QuoteArgument(const std::string& argument)
{
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos)
        return argument;
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (const char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes count double only before a quote.
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        quoted += c;
        backslashes = 0;
    }
    quoted.append(backslashes * 2, '\\'); // before the closing quote
    return quoted + "\"";
}

} // namespace ovcache
