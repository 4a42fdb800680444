#include "platform/wineRegistry.h"

#include "platform/codePage.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <vector>

namespace ovcache {
namespace {

// How much of a registry a lookup reads at most: a prefix's system.reg is a
// few megabytes.
constexpr std::uintmax_t kMaxSearchedRegistry = 64u << 20;

std::u16string Fold(std::u16string text)
{
    for (char16_t& c : text) {
        if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
            c = static_cast<char16_t>(c + 0x20);
        else if (c == 0x160 || c == 0x152 || c == 0x17D)
            c = static_cast<char16_t>(c + 1);
        else if (c == 0x178)
            c = 0xFF;
    }
    return text;
}

// "Software\\Vendor\\App" as a folded list of components joined by one "\".
std::u16string NormaliseKey(std::u16string_view path)
{
    std::u16string out;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find(u'\\', start);
        if (end == std::u16string_view::npos)
            end = path.size();
        if (end > start) {
            if (!out.empty())
                out += u'\\';
            out.append(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return Fold(std::move(out));
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Decodes an escaped string starting at text[pos] up to the unescaped
// terminator; pos is left just past the terminator. Nothing when the
// terminator never comes.
std::optional<std::u16string> Unescape(std::string_view text, std::size_t& pos, char terminator)
{
    std::u16string out;
    std::string raw; // undecoded UTF-8 run
    auto flush = [&] {
        out += Utf8ToUtf16(raw);
        raw.clear();
    };
    while (pos < text.size()) {
        const char c = text[pos++];
        if (c == terminator) {
            flush();
            return out;
        }
        if (c != '\\') {
            raw += c;
            continue;
        }
        flush();
        if (pos >= text.size())
            return std::nullopt;
        const char e = text[pos++];
        switch (e) {
        case 'a':
            out += u'\a';
            break;
        case 'b':
            out += u'\b';
            break;
        case 'e':
            out += char16_t{0x1B};
            break;
        case 'f':
            out += u'\f';
            break;
        case 'n':
            out += u'\n';
            break;
        case 'r':
            out += u'\r';
            break;
        case 't':
            out += u'\t';
            break;
        case 'v':
            out += u'\v';
            break;
        case 'x': {
            unsigned value = 0;
            int digits = 0;
            while (digits < 4 && pos < text.size() && HexDigit(text[pos]) >= 0) {
                value = value * 16 + static_cast<unsigned>(HexDigit(text[pos++]));
                ++digits;
            }
            if (digits == 0)
                out += u'x';
            else
                out += static_cast<char16_t>(value);
            break;
        }
        default:
            if (e >= '0' && e <= '7') {
                auto value = static_cast<unsigned>(e - '0');
                for (int k = 0; k < 2 && pos < text.size() && text[pos] >= '0' && text[pos] <= '7'; ++k)
                    value = value * 8 + static_cast<unsigned>(text[pos++] - '0');
                out += static_cast<char16_t>(value);
            } else {
                raw += e; // "\\", "\"", "\[" and any unknown "\c" stand for c
            }
        }
    }
    return std::nullopt;
}

std::vector<std::uint8_t> Utf16Bytes(const std::u16string& text, bool withNul)
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() * 2 + 2);
    for (const char16_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    if (withNul) {
        bytes.push_back(0);
        bytes.push_back(0);
    }
    return bytes;
}

std::optional<RegValue> ParseData(std::string_view data)
{
    RegValue value;
    std::size_t pos = 0;
    auto startsWith = [&](std::string_view prefix) { return data.substr(0, prefix.size()) == prefix; };
    auto quoted = [&](std::uint32_t type, std::size_t at) -> std::optional<RegValue> {
        if (at >= data.size() || data[at] != '"')
            return std::nullopt;
        ++at;
        auto text = Unescape(data, at, '"');
        if (!text)
            return std::nullopt;
        return RegValue{type, Utf16Bytes(*text, true)};
    };
    if (startsWith("\""))
        return quoted(kRegSz, 0);
    if (startsWith("str:"))
        return quoted(kRegSz, 4);
    if (startsWith("str(")) {
        const std::size_t close = data.find("):");
        if (close == std::string_view::npos)
            return std::nullopt;
        std::uint32_t type = 0;
        for (std::size_t k = 4; k < close; ++k) {
            if (HexDigit(data[k]) < 0)
                return std::nullopt;
            type = type * 16 + static_cast<std::uint32_t>(HexDigit(data[k]));
        }
        return quoted(type, close + 2);
    }
    if (startsWith("dword:")) {
        std::uint32_t number = 0;
        pos = 6;
        int digits = 0;
        while (pos < data.size() && HexDigit(data[pos]) >= 0 && digits < 8) {
            number = number * 16 + static_cast<std::uint32_t>(HexDigit(data[pos++]));
            ++digits;
        }
        if (digits == 0)
            return std::nullopt;
        value.type = kRegDword;
        for (int k = 0; k < 4; ++k)
            value.data.push_back(static_cast<std::uint8_t>((number >> (8 * k)) & 0xFF));
        return value;
    }
    if (startsWith("hex")) {
        pos = 3;
        value.type = kRegBinary;
        if (pos < data.size() && data[pos] == '(') {
            const std::size_t close = data.find(')', pos);
            if (close == std::string_view::npos)
                return std::nullopt;
            value.type = 0;
            for (std::size_t k = pos + 1; k < close; ++k) {
                if (HexDigit(data[k]) < 0)
                    return std::nullopt;
                value.type = value.type * 16 + static_cast<std::uint32_t>(HexDigit(data[k]));
            }
            pos = close + 1;
        }
        if (pos >= data.size() || data[pos] != ':')
            return std::nullopt;
        ++pos;
        while (pos < data.size()) {
            const char c = data[pos];
            if (c == ',' || c == ' ' || c == '\t') {
                ++pos;
                continue;
            }
            const int hi = HexDigit(c);
            const int lo = pos + 1 < data.size() ? HexDigit(data[pos + 1]) : -1;
            if (hi < 0)
                return std::nullopt;
            if (lo < 0) {
                value.data.push_back(static_cast<std::uint8_t>(hi));
                ++pos;
            } else {
                value.data.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
                pos += 2;
            }
        }
        return value;
    }
    return std::nullopt;
}

std::string_view TrimLineEnd(std::string_view line)
{
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
        line.remove_suffix(1);
    return line;
}

std::string_view TrimStart(std::string_view line)
{
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
        line.remove_prefix(1);
    return line;
}

// A registry file's lines one at a time.
class LineSource {
public:
    virtual ~LineSource() = default;
    // The next line without its end, or nothing at the end of the text.
    virtual std::optional<std::string_view> Next() = 0;
};

class TextLines final : public LineSource {
public:
    explicit TextLines(std::string_view text) : text_(text) {}
    std::optional<std::string_view> Next() override
    {
        if (pos_ >= text_.size())
            return std::nullopt;
        std::size_t end = text_.find('\n', pos_);
        if (end == std::string_view::npos)
            end = text_.size();
        const std::string_view line = text_.substr(pos_, end - pos_);
        pos_ = end + 1;
        return line;
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

// A file read a block at a time, never more of it than limit bytes; a line
// longer than any the registry writes is passed over whole.
class FileLines final : public LineSource {
public:
    FileLines(std::istream& in, std::uintmax_t limit) : in_(in), left_(limit) {}
    std::optional<std::string_view> Next() override
    {
        line_.clear();
        bool overlong = false;
        for (;;) {
            if (pos_ >= size_ && !Fill())
                return line_.empty() && !overlong && !any_ ? std::nullopt : Done(overlong);
            any_ = true;
            const char* start = block_.data() + pos_;
            const auto* end = static_cast<const char*>(std::memchr(start, '\n', size_ - pos_));
            const std::size_t length = end ? static_cast<std::size_t>(end - start) : size_ - pos_;
            if (line_.size() + length > kLongestLine)
                overlong = true;
            else
                line_.append(start, length);
            pos_ += length + (end ? 1 : 0);
            if (end)
                return Done(overlong);
        }
    }

private:
    static constexpr std::size_t kLongestLine = 1 << 20;
    bool Fill()
    {
        if (left_ == 0 || !in_)
            return false;
        const auto want = static_cast<std::streamsize>(std::min<std::uintmax_t>(block_.size(), left_));
        in_.read(block_.data(), want);
        size_ = static_cast<std::size_t>(in_.gcount());
        left_ -= size_;
        pos_ = 0;
        return size_ > 0;
    }
    std::optional<std::string_view> Done(bool overlong)
    {
        any_ = false;
        if (overlong)
            line_.clear();
        return std::string_view(line_);
    }
    std::istream& in_;
    std::uintmax_t left_;
    std::array<char, 1 << 16> block_{};
    std::size_t size_ = 0, pos_ = 0;
    bool any_ = false;
    std::string line_;
};

// Whether a key's line, as written, may name a wanted key: a cheap look
// before the line is decoded.
using MayWant = std::function<bool(std::string_view line)>;
using WantKey = std::function<bool(const std::u16string& key)>;
// A value of a wanted key; false to stop reading.
using OnValue = std::function<bool(const std::u16string& key, const std::u16string& name, RegValue value)>;

// Reads the text's keys and values in order, the values of wanted keys only.
// False when the text does not start with "WINE REGISTRY Version 2".
bool Walk(LineSource& lines, bool& win64, const MayWant& mayWant, const WantKey& want, const OnValue& on)
{
    const auto header = lines.Next();
    if (!header || TrimLineEnd(*header) != "WINE REGISTRY Version 2")
        return false;
    std::optional<std::u16string> current;
    while (const auto next = lines.Next()) {
        std::string_view line = TrimStart(TrimLineEnd(*next));
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '#') {
            if (line.substr(0, 6) == "#arch=")
                win64 = line.substr(6) == "win64";
            continue;
        }
        if (line.front() == '[') {
            current.reset();
            if (!mayWant(line))
                continue;
            std::size_t pos = 1;
            const auto name = Unescape(line, pos, ']');
            current = name ? std::optional(NormaliseKey(*name)) : std::nullopt;
            if (current && !want(*current))
                current.reset();
            continue;
        }
        if (!current)
            continue;
        // A byte list goes on over lines that end in a backslash.
        std::string joined(line);
        while (!joined.empty() && joined.back() == '\\') {
            const auto more = lines.Next();
            if (!more)
                break;
            joined.pop_back();
            joined.append(TrimStart(TrimLineEnd(*more)));
        }
        if (joined.empty()) // a lone "\" continued by an empty line
            continue;
        std::u16string valueName;
        std::size_t pos = 0;
        if (joined.front() == '@') {
            pos = 1;
        } else if (joined.front() == '"') {
            pos = 1;
            const auto name = Unescape(joined, pos, '"');
            if (!name)
                continue;
            valueName = *name;
        } else {
            continue;
        }
        if (pos >= joined.size() || joined[pos] != '=')
            continue;
        if (auto value = ParseData(std::string_view(joined).substr(pos + 1)))
            if (!on(*current, Fold(valueName), std::move(*value)))
                return true;
    }
    return true;
}

// Where a 32-bit program finds a key: in a 64-bit prefix a path under
// "Software" is below "Software\Wow6432Node" first.
std::vector<std::u16string> Views(const std::u16string& key, bool win64)
{
    std::vector<std::u16string> views;
    const std::u16string software = u"software";
    if (win64 && key.compare(0, software.size(), software) == 0 &&
        (key.size() == software.size() || key[software.size()] == u'\\'))
        views.push_back(u"software\\wow6432node" + key.substr(software.size()));
    views.push_back(key);
    return views;
}

} // namespace

std::optional<WineRegistry> WineRegistry::Parse(std::string_view text)
{
    WineRegistry registry;
    TextLines lines(text);
    if (!Walk(
            lines, registry.win64_, [](std::string_view) { return true; }, [](const std::u16string&) { return true; },
            [&](const std::u16string& key, const std::u16string& name, RegValue value) {
                registry.keys_[key][name] = std::move(value);
                return true;
            }))
        return std::nullopt;
    return registry;
}

std::optional<RegValue> WineRegistry::FindInFile(const std::filesystem::path& file, std::string_view keyPath,
                                                 std::string_view valueName)
{
    // Only a regular file: a pipe would hang the reader.
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error))
        return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    const std::u16string key = NormaliseKey(Utf8ToUtf16(keyPath));
    const std::u16string name = Fold(Utf8ToUtf16(valueName));
    // The arch line comes before any key; until then both views are wanted.
    bool win64 = true;
    const std::vector<std::u16string> views[] = {Views(key, false), Views(key, true)};
    std::optional<RegValue> found;
    bool foundInFirstView = false;
    // The key's last part, when Wine writes it as it is (plain ASCII), is in
    // the line of every view of the key.
    const std::string_view last = keyPath.substr(keyPath.find_last_of('\\') + 1);
    const bool plain = !last.empty() && std::all_of(last.begin(), last.end(), [](char c) {
        return c >= ' ' && c <= '~' && c != '\\' && c != '"';
    });
    const auto folded = [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); };
    FileLines lines(in, kMaxSearchedRegistry);
    Walk(
        lines, win64,
        [&](std::string_view line) {
            return !plain || std::search(line.begin(), line.end(), last.begin(), last.end(),
                                         [&](char a, char b) { return folded(a) == folded(b); }) != line.end();
        },
        [&](const std::u16string& at) {
            const auto& wanted = views[win64 ? 1 : 0];
            return std::find(wanted.begin(), wanted.end(), at) != wanted.end();
        },
        [&](const std::u16string& at, const std::u16string& valueAt, RegValue value) {
            if (valueAt != name)
                return true;
            const bool first = views[win64 ? 1 : 0].front() == at;
            if (!found || first) {
                found = std::move(value);
                foundInFirstView = first;
            }
            return !foundInFirstView; // the view asked first: nothing can come before it
        });
    return found;
}

std::optional<RegValue> WineRegistry::Find(std::string_view keyPath, std::string_view valueName) const
{
    const std::u16string key = NormaliseKey(Utf8ToUtf16(keyPath));
    const std::u16string name = Fold(Utf8ToUtf16(valueName));
    for (const std::u16string& candidate : Views(key, win64_)) {
        const auto k = keys_.find(candidate);
        if (k == keys_.end())
            continue;
        const auto v = k->second.find(name);
        if (v != k->second.end())
            return v->second;
    }
    return std::nullopt;
}

RegValue ToUtf8Form(const RegValue& stored)
{
    if (stored.type != kRegSz && stored.type != kRegExpandSz && stored.type != kRegMultiSz)
        return stored;
    std::u16string units;
    for (std::size_t k = 0; k + 1 < stored.data.size(); k += 2)
        units += static_cast<char16_t>(stored.data[k] | (stored.data[k + 1] << 8));
    const std::string text = Utf16ToUtf8(units);
    return RegValue{stored.type, std::vector<std::uint8_t>(text.begin(), text.end())};
}

} // namespace ovcache
