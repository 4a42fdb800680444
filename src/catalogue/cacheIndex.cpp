#include "catalogue/cacheIndex.h"

namespace ovcache {

std::vector<std::string> SplitIndexLines(std::string_view text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    const std::size_t size = text.size();
    while (start < size) {
        std::size_t end = start;
        while (end < size && text[end] != '\r' && text[end] != '\n')
            ++end;
        lines.emplace_back(text.substr(start, end - start));
        if (end == size)
            break;
        start = end + 1;
        if (text[end] == '\r' && start < size && text[start] == '\n')
            ++start;
    }
    return lines;
}

std::string JoinIndexLines(const std::vector<std::string>& lines)
{
    std::size_t size = 0;
    for (const std::string& line : lines)
        size += line.size() + 2;
    std::string text;
    text.reserve(size);
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::size_t EqPos(std::string_view line)
{
    const std::size_t pos = line.find('=');
    return pos == std::string_view::npos ? 0 : pos + 1;
}

std::string_view EntryKey(std::string_view line)
{
    const std::size_t eq = EqPos(line);
    return eq == 0 ? std::string_view() : line.substr(0, eq - 1);
}

std::string_view EntryName(std::string_view line)
{
    return line.substr(EqPos(line));
}

bool EndsWith(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

namespace {

constexpr std::string_view kCachedSuffix = ".uxx";

} // namespace

std::string CachedFilePath(const std::string& cachePath, std::string_view key)
{
    std::string path = cachePath;
    path += '\\';
    path += key;
    path += kCachedSuffix;
    return path;
}

std::optional<std::string_view> CachedFileKey(const std::string& cachePath, std::string_view path)
{
    if (path.size() < cachePath.size() + 1 + kCachedSuffix.size() || !path.starts_with(cachePath) ||
        path[cachePath.size()] != '\\' || !EndsWith(path, kCachedSuffix))
        return std::nullopt;
    path.remove_prefix(cachePath.size() + 1);
    path.remove_suffix(kCachedSuffix.size());
    return path;
}

std::string IndexPath(const std::string& cachePath)
{
    return cachePath + "\\cache.ini";
}

std::string IndexRewritePath(const std::string& cachePath)
{
    return cachePath + "\\cache.bak";
}

} // namespace ovcache
