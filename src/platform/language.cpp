#include "platform/language.h"

#include <algorithm>

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdlib>
#endif

namespace ovcache {

std::string LanguageOfLocale(std::string_view locale)
{
    locale = locale.substr(0, locale.find_first_of(".@"));
    if (locale.empty() || locale == "C" || locale == "POSIX")
        return {};
    std::string language(locale);
    for (char& c : language)
        c = c == '-' ? '_' : c;
    return language;
}

std::vector<std::string> PreferredLanguages()
{
    std::vector<std::string> languages;
#ifdef _WIN32
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = L"";
    if (LCIDToLocaleName(MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT), name, LOCALE_NAME_MAX_LENGTH, 0) > 0) {
        std::string ascii;
        for (const wchar_t* c = name; *c; ++c)
            ascii += static_cast<char>(*c < 0x80 ? *c : '?');
        if (std::string language = LanguageOfLocale(ascii); !language.empty())
            languages.push_back(language);
    }
#else
    // The first of LC_ALL, LC_MESSAGES and LANG that is set is the locale of
    // messages; LANGUAGE's list comes before it, unless that locale is C.
    std::string messages;
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"})
        if (const char* value = std::getenv(variable); value && *value) {
            messages = LanguageOfLocale(value);
            if (messages.empty())
                return languages;
            break;
        }
    if (const char* list = std::getenv("LANGUAGE"); list && *list && !messages.empty()) {
        const std::string_view all(list);
        for (std::size_t at = 0; at <= all.size();) {
            const std::size_t end = std::min(all.find(':', at), all.size());
            if (std::string language = LanguageOfLocale(all.substr(at, end - at)); !language.empty())
                languages.push_back(language);
            at = end + 1;
        }
    }
    if (!messages.empty())
        languages.push_back(messages);
#endif
    return languages;
}

} // namespace ovcache
