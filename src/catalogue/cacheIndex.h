#pragma once
// The cache index "cache.ini": a "[Cache]" header line, then lines key=name.
// The game writes it in the system's ANSI code page: its lines are kept as
// those bytes, and a key or a name leaves them in UTF-8, as the rest of the
// program has text, only through KeyText and NameText.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ovcache {

inline constexpr std::string_view kIndexHeader = "[Cache]";

// Lines end in CR LF, LF or a lone CR; the ends are not part of the lines. A
// last line without an end still counts; nothing follows a final line end.
// The lines are views into text.
std::vector<std::string_view> SplitIndexLines(std::string_view text);

// Each line followed by CR LF, as the game writes the index.
std::string JoinIndexLines(const std::vector<std::string_view>& lines);

// An index's text held once, with its lines as views into it; the text stays
// where it is when the whole is moved, so the views stay good.
class IndexLines {
public:
    IndexLines() : text_(std::make_unique<const std::string>()) {}
    explicit IndexLines(std::string text)
        : text_(std::make_unique<const std::string>(std::move(text))), lines_(SplitIndexLines(*text_))
    {
    }
    const std::string& Text() const { return *text_; }
    const std::vector<std::string_view>& Lines() const { return lines_; }
    std::size_t size() const { return lines_.size(); }
    std::string_view operator[](std::size_t k) const { return lines_[k]; }
    auto begin() const { return lines_.begin(); }
    auto end() const { return lines_.end(); }

private:
    std::unique_ptr<const std::string> text_;
    std::vector<std::string_view> lines_;
};

// 1-based position of the first "=", 0 when there is none.
std::size_t EqPos(std::string_view line);

// The text before the first "=" ("" when there is none) and after it (the
// whole line when there is none).
std::string_view EntryKey(std::string_view line);
std::string_view EntryName(std::string_view line);

// The key and the name of a line in UTF-8, converted from the code page.
std::string KeyText(std::string_view line);
std::string NameText(std::string_view line);
// Whether the line's name, in UTF-8, is name.
bool NameIs(std::string_view line, std::string_view name);

bool EndsWith(std::string_view text, std::string_view suffix);

// A line with "=" and a key before it names a cached file; others (the
// header, a line without "=" or with an empty key) name none.
bool NamesAFile(std::string_view line);

// The lines that name a cached file ("<key>.uxx", a line with "=" and a key),
// found by their keys as Windows compares file names (folded, in UTF-8,
// as FoldCase has them); of several
// lines with one key the first is the file's. The keys stay in the lines:
// the table holds line numbers, not names.
class IndexKeys {
public:
    explicit IndexKeys(const IndexLines& lines);
    // The first line whose folded key is folded; npos when there is none.
    std::size_t Find(std::string_view folded) const;
    // The first line with the key of line k (k itself, or one before it).
    std::size_t FirstOf(std::size_t k) const;

private:
    static constexpr std::uint64_t kLineBits = 0xFFFFFFFF;
    std::size_t Probe(std::uint64_t hash, std::string_view folded) const;
    const IndexLines& lines_;
    // A power of two of them: the high half of the key's hash and the line
    // number + 1 in the low half; 0 when empty.
    std::vector<std::uint64_t> slots_;
    mutable std::string buffer_, other_;
};

// A cached file is named by its key and this ending, in any case.
inline constexpr std::string_view kCachedSuffix = ".uxx";
// "<key>.uxx"
std::string CachedFileName(std::string_view key);
// The key of a cached file's name, folded as FoldCase folds it; nothing for a
// name that is no cached file's.
std::optional<std::string_view> KeyOfCachedFile(std::string_view foldedName);
// "<cache>\<key>.uxx"
std::string CachedFilePath(const std::string& cachePath, std::string_view key);
std::string IndexPath(const std::string& cachePath);
std::string IndexRewritePath(const std::string& cachePath);

} // namespace ovcache
