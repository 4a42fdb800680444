#pragma once
// The cache index "cache.ini": a "[Cache]" header line, then lines key=name.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ovcache {

inline constexpr std::string_view kIndexHeader = "[Cache]";

// Lines end in CR LF, LF or a lone CR; the ends are not part of the lines. A
// last line without an end still counts; nothing follows a final line end.
std::vector<std::string> SplitIndexLines(std::string_view text);

// Each line followed by CR LF, as the game writes the index.
std::string JoinIndexLines(const std::vector<std::string>& lines);

// 1-based position of the first "=", 0 when there is none.
std::size_t EqPos(std::string_view line);

// The text before the first "=" ("" when there is none) and after it (the
// whole line when there is none).
std::string_view EntryKey(std::string_view line);
std::string_view EntryName(std::string_view line);

bool EndsWith(std::string_view text, std::string_view suffix);

// "<cache>\<key>.uxx"
std::string CachedFilePath(const std::string& cachePath, std::string_view key);
// The key whose cached file path is path exactly, if there is one.
std::optional<std::string_view> CachedFileKey(const std::string& cachePath, std::string_view path);
std::string IndexPath(const std::string& cachePath);
std::string IndexRewritePath(const std::string& cachePath);

} // namespace ovcache
