#include "words/translation.h"

#include "words/catalogues.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace ovcache {
namespace {

// The value of a catalogue's plural expression (C's operators on n) for n;
// 0 for what cannot be read.
class PluralRule {
public:
    explicit PluralRule(std::string_view expression) : text_(expression) {}
    std::uint64_t For(std::uint64_t n)
    {
        n_ = n;
        at_ = 0;
        return Condition();
    }

private:
    void Blanks()
    {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n'))
            ++at_;
    }
    bool Take(std::string_view token)
    {
        Blanks();
        if (text_.substr(at_).starts_with(token)) {
            at_ += token.size();
            return true;
        }
        return false;
    }
    std::uint64_t Condition()
    {
        const std::uint64_t test = Or();
        if (!Take("?"))
            return test;
        const std::uint64_t yes = Condition();
        const std::uint64_t no = Take(":") ? Condition() : 0;
        return test ? yes : no;
    }
    std::uint64_t Or()
    {
        std::uint64_t value = And();
        while (Take("||"))
            value = (And() || value) ? 1 : 0;
        return value;
    }
    std::uint64_t And()
    {
        std::uint64_t value = Equal();
        while (Take("&&"))
            value = (Equal() && value) ? 1 : 0;
        return value;
    }
    std::uint64_t Equal()
    {
        std::uint64_t value = Relation();
        for (;;) {
            if (Take("=="))
                value = value == Relation() ? 1 : 0;
            else if (Take("!="))
                value = value != Relation() ? 1 : 0;
            else
                return value;
        }
    }
    std::uint64_t Relation()
    {
        std::uint64_t value = Sum();
        for (;;) {
            if (Take("<="))
                value = value <= Sum() ? 1 : 0;
            else if (Take(">="))
                value = value >= Sum() ? 1 : 0;
            else if (Take("<"))
                value = value < Sum() ? 1 : 0;
            else if (Take(">"))
                value = value > Sum() ? 1 : 0;
            else
                return value;
        }
    }
    std::uint64_t Sum()
    {
        std::uint64_t value = Product();
        for (;;) {
            if (Take("+"))
                value += Product();
            else if (Take("-"))
                value -= Product();
            else
                return value;
        }
    }
    std::uint64_t Product()
    {
        std::uint64_t value = Unary();
        for (;;) {
            if (Take("*")) {
                value *= Unary();
            } else if (Take("/")) {
                const std::uint64_t by = Unary();
                value = by ? value / by : 0;
            } else if (Take("%")) {
                const std::uint64_t by = Unary();
                value = by ? value % by : 0;
            } else {
                return value;
            }
        }
    }
    std::uint64_t Unary()
    {
        if (Take("!"))
            return Unary() ? 0 : 1;
        if (Take("("))
            return Inner();
        if (Take("n"))
            return n_;
        std::uint64_t number = 0;
        while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9')
            number = number * 10 + static_cast<std::uint64_t>(text_[at_++] - '0');
        return number;
    }
    std::uint64_t Inner()
    {
        const std::uint64_t value = Condition();
        Take(")");
        return value;
    }

    std::string_view text_;
    std::size_t at_ = 0;
    std::uint64_t n_ = 0;
};

// A catalogue as msgfmt writes it (GNU .mo): the English texts sorted, each
// with its translation; a text with a count holds its forms one after
// another, each ended by a NUL.
class Catalogue {
public:
    Catalogue(const unsigned char* data, std::size_t size) : data_(data), size_(size)
    {
        const std::uint32_t magic = Word(0);
        swapped_ = magic == 0xde120495u;
        if (!swapped_ && magic != 0x950412deu)
            return;
        count_ = Word(8);
        originals_ = Word(12);
        translations_ = Word(16);
        if (std::uint64_t{originals_} + std::uint64_t{count_} * 8 > size_ ||
            std::uint64_t{translations_} + std::uint64_t{count_} * 8 > size_)
            count_ = 0;
        // The header (the translation of "") says how the language counts.
        if (count_ > 0 && Original(0).empty()) {
            const std::string_view header = Translation(0);
            if (const std::size_t at = header.find("plural="); at != std::string_view::npos)
                plural_ = header.substr(at + 7, header.find_first_of(";\n", at) - at - 7);
        }
    }
    std::size_t Count() const { return count_; }
    std::string_view Original(std::size_t k) const { return String(originals_ + 8 * k); }
    std::string_view Translation(std::size_t k) const { return String(translations_ + 8 * k); }
    // The entry whose English (its first form) is key.
    std::optional<std::size_t> Find(std::string_view key) const
    {
        std::size_t low = 0, high = count_;
        while (low < high) {
            const std::size_t middle = low + (high - low) / 2;
            const std::string_view original = Original(middle);
            const std::string_view first = original.substr(0, original.find('\0'));
            if (first == key)
                return middle;
            if (first < key)
                low = middle + 1;
            else
                high = middle;
        }
        return std::nullopt;
    }
    std::uint64_t FormFor(std::uint64_t n) const
    {
        if (plural_.empty())
            return n == 1 ? 0 : 1;
        return PluralRule(plural_).For(n);
    }

private:
    std::uint32_t Word(std::size_t at) const
    {
        if (at + 4 > size_)
            return 0;
        std::uint32_t word = 0;
        std::memcpy(&word, data_ + at, 4);
        return swapped_ ? __builtin_bswap32(word) : word;
    }
    std::string_view String(std::size_t descriptor) const
    {
        const std::uint32_t length = Word(descriptor), offset = Word(descriptor + 4);
        if (std::uint64_t{offset} + length > size_)
            return {};
        return {reinterpret_cast<const char*>(data_ + offset), length};
    }

    const unsigned char* data_;
    std::size_t size_;
    bool swapped_ = false;
    std::uint32_t count_ = 0, originals_ = 0, translations_ = 0;
    std::string_view plural_;
};

// The catalogue chosen, and its name; none until a language is chosen.
std::optional<Catalogue> chosen;
std::string chosenName;

const EmbeddedCatalogue* Embedded(std::string_view language)
{
    for (const EmbeddedCatalogue& catalogue : EmbeddedCatalogues())
        if (language == catalogue.language)
            return &catalogue;
    return nullptr;
}

// The translation's form, as a C string: the forms in a catalogue each end
// with a NUL, the last one too.
const char* Form(std::string_view translation, std::uint64_t form)
{
    for (std::uint64_t k = 0; k < form; ++k) {
        const std::size_t end = translation.find('\0');
        if (end == std::string_view::npos)
            return nullptr;
        translation.remove_prefix(end + 1);
    }
    return translation.empty() ? nullptr : translation.data();
}

const char* Look(std::string_view key, std::uint64_t form)
{
    if (!chosen)
        return nullptr;
    const std::optional<std::size_t> found = chosen->Find(key);
    return found ? Form(chosen->Translation(*found), form) : nullptr;
}

// The pattern with the values of first to last in place of their names.
std::string FillFrom(std::string_view pattern, const std::pair<std::string_view, std::string_view>* first,
                     const std::pair<std::string_view, std::string_view>* last)
{
    std::string text;
    for (std::size_t at = 0; at < pattern.size();) {
        const std::size_t open = pattern.find('{', at);
        const std::size_t close = open == std::string_view::npos ? open : pattern.find('}', open);
        if (close == std::string_view::npos) {
            text += pattern.substr(at);
            break;
        }
        text += pattern.substr(at, open - at);
        const std::string_view name = pattern.substr(open + 1, close - open - 1);
        const auto* value = std::find_if(first, last, [&](const auto& v) { return v.first == name; });
        if (value != last)
            text += value->second;
        else
            text += pattern.substr(open, close - open + 1);
        at = close + 1;
    }
    return text;
}

} // namespace

const char* T(const char* english)
{
    const char* translated = Look(english, 0);
    return translated ? translated : english;
}

std::string_view TV(std::string_view english)
{
    const char* translated = Look(english, 0);
    return translated ? std::string_view(translated) : english;
}

const char* TN(const char* one, const char* more, std::uint64_t count)
{
    if (chosen)
        if (const char* translated = Look(one, chosen->FormFor(count)))
            return translated;
    return count == 1 ? one : more;
}

const char* TC(const char* context, const char* english)
{
    const std::string key = std::string(context) + '\x04' + english;
    const char* translated = Look(key, 0);
    return translated ? translated : english;
}

std::string Fill(std::string_view pattern, const std::vector<std::pair<std::string, std::string>>& values)
{
    std::vector<std::pair<std::string_view, std::string_view>> views(values.begin(), values.end());
    return FillFrom(pattern, views.data(), views.data() + views.size());
}

std::string Fill(std::string_view pattern, Values values)
{
    return FillFrom(pattern, values.begin(), values.end());
}

std::string UseLanguage(const std::vector<std::string>& preferred)
{
    chosen.reset();
    chosenName.clear();
    for (const std::string& language : preferred)
        for (const std::string& name : {language, language.substr(0, language.find('_'))})
            if (const EmbeddedCatalogue* catalogue = Embedded(name)) {
                chosen.emplace(catalogue->data, catalogue->size);
                chosenName = catalogue->language;
                return chosenName;
            }
    return chosenName;
}

const std::string& LanguageInUse()
{
    return chosenName;
}

std::vector<std::string> CatalogueLanguages()
{
    std::vector<std::string> languages;
    for (const EmbeddedCatalogue& catalogue : EmbeddedCatalogues())
        languages.emplace_back(catalogue.language);
    return languages;
}

void ForEachEntry(const std::string& language, const std::function<void(const CatalogueEntry&)>& take)
{
    const EmbeddedCatalogue* embedded = Embedded(language);
    if (!embedded)
        return;
    const Catalogue catalogue(embedded->data, embedded->size);
    const auto parts = [](std::string_view text) {
        std::vector<std::string> split;
        for (std::size_t at = 0; at <= text.size();) {
            const std::size_t end = std::min(text.find('\0', at), text.size());
            split.emplace_back(text.substr(at, end - at));
            at = end + 1;
        }
        return split;
    };
    for (std::size_t k = 0; k < catalogue.Count(); ++k) {
        std::string_view original = catalogue.Original(k);
        if (original.empty())
            continue; // the header
        CatalogueEntry entry;
        if (const std::size_t context = original.find('\x04'); context != std::string_view::npos) {
            entry.context = original.substr(0, context);
            original.remove_prefix(context + 1);
        }
        std::vector<std::string> english = parts(original);
        entry.english = english.front();
        entry.englishMore = english.size() > 1 ? english[1] : std::string();
        entry.translations = parts(catalogue.Translation(k));
        take(entry);
    }
}

} // namespace ovcache
