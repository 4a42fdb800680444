#include "catalogue/cacheIndex.h"

#include "catalogue/entryNames.h"
#include "platform/codePage.h"

#include <functional>

namespace ovcache {

namespace {

// How many lines SplitIndexLines makes of text, so that room for all can be
// made at once: an index can hold 200,000 of them.
std::size_t CountIndexLines(std::string_view text)
{
    std::size_t ends = 1;
    for (std::size_t k = 0; k < text.size(); ++k)
        ends += text[k] == '\n' || (text[k] == '\r' && (k + 1 == text.size() || text[k + 1] != '\n')) ? 1 : 0;
    return ends;
}

// Calls take(line) for each line of text that ends in it, and returns where
// the rest (a line without its end, so far) starts. lfAfterCr: text follows
// a CR, so that an LF at its start ends no line; it says the same of what
// follows text.
template <typename Take> std::size_t TakeEndedLines(std::string_view text, bool& lfAfterCr, Take take)
{
    std::size_t start = lfAfterCr && !text.empty() && text[0] == '\n' ? 1 : 0;
    lfAfterCr = lfAfterCr && text.empty();
    const std::size_t size = text.size();
    while (start < size) {
        std::size_t end = start;
        while (end < size && text[end] != '\r' && text[end] != '\n')
            ++end;
        if (end == size)
            break;
        take(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r') {
            lfAfterCr = start == size;
            if (start < size && text[start] == '\n')
                ++start;
        }
    }
    return std::min(start, size);
}

// Calls take(line) for each line of text, as SplitIndexLines splits it.
template <typename Take> void ForEachIndexLine(std::string_view text, Take take)
{
    bool lfAfterCr = false;
    if (const std::size_t rest = TakeEndedLines(text, lfAfterCr, take); rest < text.size())
        take(text.substr(rest));
}

} // namespace

std::vector<std::string_view> SplitIndexLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    lines.reserve(CountIndexLines(text));
    ForEachIndexLine(text, [&](std::string_view line) { lines.push_back(line); });
    return lines;
}

std::string JoinIndexLines(const std::vector<std::string_view>& lines)
{
    std::size_t size = 0;
    for (const std::string_view line : lines)
        size += line.size() + 2;
    std::string text;
    text.reserve(size);
    for (const std::string_view line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

IndexEntry::IndexEntry(std::string_view text)
    : text_(text.data()), size_(static_cast<std::uint32_t>(text.size())), eq_(static_cast<std::uint32_t>(EqPos(text))),
      kind_(ClassifyForMoveAll(text))
{
    const bool keySafe = IsSafeIndexName(Key());
    const bool nameSafe = IsSafeIndexName(Name());
    flags_ = static_cast<std::uint8_t>((HasEq() && !Key().empty() ? kNamesAFile : 0) | (keySafe ? kKeySafe : 0) |
                                       ((HasEq() ? keySafe && nameSafe : nameSafe) ? kSafe : 0));
}

EntryKind IndexEntry::KindForMove(std::string_view selected) const
{
    return ClassifyForMove(HasEq() && NameIs(Text(), selected), Kind());
}

IndexLines::IndexLines(std::string text) : text_(std::make_unique<const std::string>(std::move(text)))
{
    // Straight into entries, with no list of lines held beside them.
    entries_.reserve(CountIndexLines(*text_));
    ForEachIndexLine(*text_, [&](std::string_view line) { entries_.emplace_back(line); });
}

void IndexEntryReader::Feed(std::string_view piece)
{
    const auto entry = [&](std::string_view line) { take_(IndexEntry(line)); };
    if (!carry_.empty()) { // a line begun in the pieces before
        const std::size_t end = piece.find_first_of("\r\n");
        carry_.append(piece.substr(0, end));
        if (end == std::string_view::npos)
            return;
        entry(carry_);
        carry_.clear();
        lfAfterCr_ = piece[end] == '\r';
        piece.remove_prefix(end + 1);
    }
    carry_.assign(piece.substr(TakeEndedLines(piece, lfAfterCr_, entry)));
}

void IndexEntryReader::End()
{
    if (!carry_.empty())
        take_(IndexEntry(carry_));
    carry_.clear();
    lfAfterCr_ = false;
}

namespace {

std::string_view Folded(std::string_view key, std::string& buffer)
{
    if (IsAscii(key))
        buffer.assign(key);
    else
        buffer = AnsiToUtf8(key);
    FoldCaseInPlace(buffer);
    return buffer;
}

} // namespace

IndexKeys::IndexKeys(const IndexLines& lines) : lines_(lines)
{
    std::size_t size = 16;
    while (size < lines.size() * 2)
        size *= 2;
    slots_.assign(size, 0);
    first_.resize(lines.size());
    for (std::size_t k = 0; k < lines.size(); ++k) {
        first_[k] = static_cast<std::uint32_t>(k);
        if (!lines[k].NamesAFile())
            continue;
        const std::string_view folded = Folded(lines[k].Key(), buffer_);
        const std::uint64_t hash = std::hash<std::string_view>()(folded);
        std::uint64_t& slot = slots_[Probe(hash, folded)];
        if (slot == 0)
            slot = (hash & ~kLineBits) | (k + 1);
        else
            first_[k] = static_cast<std::uint32_t>((slot & kLineBits) - 1);
    }
}

// The slot holding the folded key, or the empty one where it would go. Each
// slot keeps the high half of its key's hash, so that a key is folded again
// for comparison only when that half agrees.
// Whether the key folds to folded. A key's ASCII bytes stay where they are
// when it is converted and folded, so they are compared in place, and only a
// key with other bytes is folded whole.
bool IndexKeys::FoldsTo(std::string_view key, std::string_view folded) const
{
    std::size_t k = 0;
    for (; k < key.size() && static_cast<unsigned char>(key[k]) < 0x80; ++k) {
        const char lower = key[k] >= 'A' && key[k] <= 'Z' ? static_cast<char>(key[k] + 0x20) : key[k];
        if (k >= folded.size() || lower != folded[k])
            return false;
    }
    if (k == key.size())
        return k == folded.size();
    return Folded(key, other_) == folded;
}

std::size_t IndexKeys::Probe(std::uint64_t hash, std::string_view folded) const
{
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const std::uint64_t held = slots_[slot];
        if (held == 0)
            return slot;
        if ((held & ~kLineBits) == (hash & ~kLineBits) && FoldsTo(lines_[(held & kLineBits) - 1].Key(), folded))
            return slot;
    }
}

std::size_t IndexKeys::Find(std::string_view folded) const
{
    const std::uint64_t held = slots_[Probe(std::hash<std::string_view>()(folded), folded)];
    return held == 0 ? std::string_view::npos : (held & kLineBits) - 1;
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

std::string KeyText(std::string_view line)
{
    return AnsiToUtf8(EntryKey(line));
}

std::string NameText(std::string_view line)
{
    return AnsiToUtf8(EntryName(line));
}

bool NameIs(std::string_view line, std::string_view name)
{
    const std::string_view own = EntryName(line);
    return IsAscii(own) ? own == name : AnsiToUtf8(own) == name;
}

bool EndsWith(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::string CachedFileName(std::string_view key)
{
    std::string name(key);
    name += kCachedSuffix;
    return name;
}

std::optional<std::string_view> KeyOfCachedFile(std::string_view foldedName)
{
    if (!EndsWith(foldedName, kCachedSuffix))
        return std::nullopt;
    return foldedName.substr(0, foldedName.size() - kCachedSuffix.size());
}

std::string CachedFilePath(const std::string& cachePath, std::string_view key)
{
    return cachePath + '\\' + CachedFileName(key);
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
