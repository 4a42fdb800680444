#include "platform/wineRegistry.h"

#include "platform/codePage.h"
#include "platform/untrustedFile.h"

#include <fstream>
#include <sstream>
#include <vector>

namespace ovcache {
namespace {

constexpr std::uintmax_t kMaxRegistryFile = 256u << 20; // far beyond any prefix's registry

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

} // namespace

std::optional<WineRegistry> WineRegistry::Parse(std::string_view text)
{
    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        lines.push_back(TrimLineEnd(text.substr(start, end - start)));
        start = end + 1;
    }
    if (lines.empty() || lines[0] != "WINE REGISTRY Version 2")
        return std::nullopt;

    WineRegistry registry;
    Values* current = nullptr;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        std::string_view line = TrimStart(lines[i]);
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '#') {
            if (line.substr(0, 6) == "#arch=")
                registry.win64_ = line.substr(6) == "win64";
            continue;
        }
        if (line.front() == '[') {
            std::size_t pos = 1;
            const auto name = Unescape(line, pos, ']');
            current = name ? &registry.keys_[NormaliseKey(*name)] : nullptr;
            continue;
        }
        if (!current)
            continue;
        // A byte list goes on over lines that end in a backslash.
        std::string joined(line);
        while (!joined.empty() && joined.back() == '\\' && i + 1 < lines.size()) {
            joined.pop_back();
            joined.append(TrimStart(lines[++i]));
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
            (*current)[Fold(valueName)] = std::move(*value);
    }
    return registry;
}

std::optional<WineRegistry> WineRegistry::Load(const std::filesystem::path& file)
{
    const auto text = ReadRegularFile(file, kMaxRegistryFile);
    if (!text)
        return std::nullopt;
    return Parse(*text);
}

std::optional<RegValue> WineRegistry::Find(std::string_view keyPath, std::string_view valueName) const
{
    const std::u16string key = NormaliseKey(Utf8ToUtf16(Cp1252ToUtf8(keyPath)));
    const std::u16string name = Fold(Utf8ToUtf16(Cp1252ToUtf8(valueName)));
    std::vector<std::u16string> candidates;
    const std::u16string software = u"software";
    if (win64_ && key.compare(0, software.size(), software) == 0 &&
        (key.size() == software.size() || key[software.size()] == u'\\'))
        candidates.push_back(u"software\\wow6432node" + key.substr(software.size()));
    candidates.push_back(key);
    for (const std::u16string& candidate : candidates) {
        const auto k = keys_.find(candidate);
        if (k == keys_.end())
            continue;
        const auto v = k->second.find(name);
        if (v != k->second.end())
            return v->second;
    }
    return std::nullopt;
}

RegValue ToAnsiForm(const RegValue& stored)
{
    if (stored.type != kRegSz && stored.type != kRegExpandSz && stored.type != kRegMultiSz)
        return stored;
    std::u16string units;
    for (std::size_t k = 0; k + 1 < stored.data.size(); k += 2)
        units += static_cast<char16_t>(stored.data[k] | (stored.data[k + 1] << 8));
    const std::string ansi = Utf16ToCp1252(units);
    return RegValue{stored.type, std::vector<std::uint8_t>(ansi.begin(), ansi.end())};
}

} // namespace ovcache
