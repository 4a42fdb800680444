#pragma once
// The player's language: every text the player reads is said through T (or
// TN for a count) in its English, and comes out in the language chosen, from
// the catalogues compiled into the program (gettext's PO files, one a
// language, in po/). A text without a translation stays English. Values go
// into a text by name ("Moved {name} into {folder}"), so that a language may
// put them where its sentences want them.
#include "platform/translatable.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ovcache {

// (N_ marks a text for the catalogues where it is kept, for T to translate
// where it is said.)

// The text in the language chosen.
const char* T(const char* english);
// The same, for a text kept as a view (a form's caption).
std::string_view TV(std::string_view english);
// The form of a text with a count that the language uses for count (English:
// one for 1, more otherwise); its "{count}" is not filled in.
const char* TN(const char* one, const char* more, std::uint64_t count);
// A text that means one thing here and another elsewhere: the context tells
// them apart ("thousands separator").
const char* TC(const char* context, const char* english);

// The pattern with each "{name}" given a value in place.
using Values = std::initializer_list<std::pair<std::string_view, std::string_view>>;
std::string Fill(std::string_view pattern, Values values);
std::string Fill(std::string_view pattern, const std::vector<std::pair<std::string, std::string>>& values);

// Chooses the first language of the list (as the system names them: "de_DE",
// "pt_BR", "ru") that a catalogue is compiled in for, trying each name
// whole, then its language alone; English when none. Returns the name of the
// catalogue chosen, "" for English.
std::string UseLanguage(const std::vector<std::string>& preferred);
// The catalogue in use, "" for English.
const std::string& LanguageInUse();
// The languages the program speaks besides English, by their catalogues' names.
std::vector<std::string> CatalogueLanguages();

// Each entry of a catalogue, for the tests: the English (one and more for a
// count) and the translations (one for each form of the language's).
struct CatalogueEntry {
    std::string context, english, englishMore;
    std::vector<std::string> translations;
};
void ForEachEntry(const std::string& language, const std::function<void(const CatalogueEntry&)>& take);

} // namespace ovcache
