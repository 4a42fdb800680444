#pragma once
// The cache index "cache.ini": a "[Cache]" header line, then lines key=name.
// The game writes it in the system's ANSI code page: its lines are kept as
// those bytes, and a key or a name leaves them in UTF-8, as the rest of the
// program has text, only through KeyText and NameText.
#include "catalogue/destinations.h"

#include <cstdint>
#include <functional>
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

// One line of the index, read once where the index is read: the line as it
// is, kept for the rewrite, and what the commands ask of it.
class IndexEntry {
public:
    explicit IndexEntry(std::string_view text);
    std::string_view Text() const { return {text_, size_}; }
    // Before and after the first "=" ("" and the whole line when there is none).
    std::string_view Key() const { return Text().substr(0, eq_ == 0 ? 0 : eq_ - 1); }
    std::string_view Name() const { return Text().substr(eq_); }
    bool HasEq() const { return eq_ != 0; }
    // "=" and a key before it: the line names a cached file.
    bool NamesAFile() const { return (flags_ & kNamesAFile) != 0; }
    // The key names a file inside the cache folder, and nothing else.
    bool KeySafe() const { return (flags_ & kKeySafe) != 0; }
    // The key and the name (the name alone, without "=") are both safe.
    bool Safe() const { return (flags_ & kSafe) != 0; }
    // Where Move All puts its file, by the line's ending.
    EntryKind Kind() const { return kind_; }
    // Where Move puts its file when the list's selected entry is selected.
    EntryKind KindForMove(std::string_view selected) const;

private:
    static constexpr std::uint8_t kNamesAFile = 1, kKeySafe = 2, kSafe = 4;
    // Held small: an index can have 200,000 lines.
    const char* text_;
    std::uint32_t size_, eq_;
    std::uint8_t flags_ = 0;
    EntryKind kind_;
};

// Each line of an index read a piece at a time, as an entry, as
// SplitIndexLines would split the whole: the pieces are fed in their order,
// and End takes a last line without an end. A line split between pieces is
// put together; no more of the index is held than a line, and no entry is
// kept.
class IndexEntryReader {
public:
    explicit IndexEntryReader(std::function<void(const IndexEntry&)> take) : take_(std::move(take)) {}
    void Feed(std::string_view piece);
    void End();

private:
    std::function<void(const IndexEntry&)> take_;
    std::string carry_;
    bool lfAfterCr_ = false;
};

// An index's text held once, with its lines as entries viewing it; the text
// stays where it is when the whole is moved, so the entries stay good.
class IndexLines {
public:
    IndexLines() : text_(std::make_unique<const std::string>()) {}
    explicit IndexLines(std::string text);
    const std::string& Text() const { return *text_; }
    std::size_t size() const { return entries_.size(); }
    const IndexEntry& operator[](std::size_t k) const { return entries_[k]; }
    auto begin() const { return entries_.begin(); }
    auto end() const { return entries_.end(); }

private:
    std::unique_ptr<const std::string> text_;
    std::vector<IndexEntry> entries_;
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
    // Each line's first line with its key (itself, or one before it; itself
    // for a line naming no file), found as the table is made; taken once.
    std::vector<std::uint32_t> TakeFirsts() { return std::move(first_); }

private:
    static constexpr std::uint64_t kLineBits = 0xFFFFFFFF;
    std::size_t Probe(std::uint64_t hash, std::string_view folded) const;
    bool FoldsTo(std::string_view key, std::string_view folded) const;
    const IndexLines& lines_;
    // A power of two of them: the high half of the key's hash and the line
    // number + 1 in the low half; 0 when empty.
    std::vector<std::uint64_t> slots_;
    std::vector<std::uint32_t> first_;
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
