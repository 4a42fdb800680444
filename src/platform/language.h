#pragma once
// The languages the player reads, as the system says, most wanted first:
// "de_DE", "pt_BR", "ru", ... (language, and country where one is named).
#include <string>
#include <string_view>
#include <vector>

namespace ovcache {

// Linux: LANGUAGE's list, then LC_ALL, LC_MESSAGES and LANG, the first set;
// nothing for the C and POSIX locales. Windows: the user's display language.
std::vector<std::string> PreferredLanguages();

// A locale name as the system writes it ("de_DE.UTF-8@euro", "pt-BR") in
// the form above ("de_DE", "pt_BR"); "" for C and POSIX.
std::string LanguageOfLocale(std::string_view locale);

} // namespace ovcache
