// What the player reads of a result, worded once for both windows and the
// command line.
#include "words/words.h"
#include "platform/language.h"
#include "words/translation.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <regex>
#include <set>

namespace ovcache {
namespace {

// Failures of one kind are counted in the summary; the list names each one,
// and a very long name is shortened in both.
TEST(Words, summaryGroupsByFolderAndReasonAndTheListHasEveryEntry)
{
    CommandReport report;
    const FileSystemError denied("MoveFile", "C:\\Maps\\x", FsErrorKind::AccessDenied, "Permission denied");
    for (int k = 0; k < 73; ++k)
        report.Add({Why::Failed, "Map" + std::to_string(k) + ".kmx", "C:\\Cache\\x.uxx", "C:\\Maps",
                    "Permission denied", FsErrorKind::AccessDenied});
    report.Add({Why::Failed, std::string(5000, 'n') + ".u", "C:\\Cache\\y.uxx", "C:\\System", "Disk full"});
    const std::string summary = ReportSummary(report);
    EXPECT_NE(summary.find("73 files could not be moved into C:\\Maps: Permission denied"), std::string::npos);
    EXPECT_LT(summary.size(), 600u);
    EXPECT_NE(summary.front(), '\n');
    EXPECT_TRUE(report.Denied());
    const std::string details = ReportDetails(report);
    EXPECT_NE(details.find("Map0.kmx\n    x.uxx -> C:\\Maps\n    Permission denied"), std::string::npos);
    EXPECT_NE(details.find("Map72.kmx"), std::string::npos);
    EXPECT_LT(details.size(), 73 * 60 + 400u);
}

// Each reason and note as the player reads it, the system's words where it
// refused, and a taken name said as ours.
TEST(Words, eachReasonAndNoteHasItsSentence)
{
    const struct {
        Problem problem;
        std::string text;
    } problems[] = {
        {{Why::NameTaken, "Core.u", "C:\\G\\Cache\\B.uxx", "C:\\G\\System"}, "A file of that name is already there."},
        {{Why::Failed, "A.kmx", "p", "C:\\G\\Maps", "File exists", FsErrorKind::AlreadyExists},
         "A file of that name is already there."},
        {{Why::NoFolder, "Boom.uax", "p", "C:\\G\\Sounds"}, "That folder does not exist."},
        {{Why::Failed, "Gone.kmx", "p", "C:\\G\\Maps", "", FsErrorKind::NotFound}, "The file is no longer there."},
        {{Why::KeptBesideMap, "A.kmx", "p", "C:\\G\\Maps"},
         "A map of that name is already there, so this one was left in the cache."},
        {{Why::MapReadOnly, "A.kmx", "p", "C:\\G\\Maps"}, "The map already in Maps is read-only and was kept."},
        {{Why::NotDeleted, "A.kmx", "p", "", "Busy"}, "Could not be deleted: Busy"},
        {{Why::IndexUnreadable, "cache.ini", "p", "", "Too large"}, "The cache index could not be read: Too large"},
        {{Why::NotLocked, "OrvaneCacheImporter.lock", "C:\\G\\OrvaneCacheImporter.lock", "", "Access is denied.",
          FsErrorKind::AccessDenied},
         "The game could not be locked for this program, so nothing was changed: Access is denied.. The program "
         "keeps its lock and journal in C:\\G, so that folder must let your user create files, even when Cache and "
         "Maps do."},
        {{Why::JournalNotOurs, "j", "p", "", "Move it away.", FsErrorKind::NotRegular},
         "Nothing was changed. Move it away."},
    };
    for (const auto& [problem, text] : problems)
        EXPECT_EQ(ReasonText(problem), text) << problem.entry;
    EXPECT_EQ(DetailText(problems[0].problem), "B.uxx -> C:\\G\\System");
    EXPECT_EQ(DetailText(problems[6].problem), "p");

    EXPECT_EQ(NoteText({NoteKind::NoIndexNothingMoved, "C:\\G\\Cache\\cache.ini"}),
              "The cache index C:\\G\\Cache\\cache.ini is missing, so nothing was moved.");
    EXPECT_EQ(NoteText({NoteKind::IndexNotUpdated, "C:\\G\\Cache\\cache.bak", "Disk full"}),
              "The cache index could not be updated (C:\\G\\Cache\\cache.bak: Disk full), so the files this command "
              "moved were put back.");
    EXPECT_EQ(NoteText({NoteKind::StrangersLeft, {}, {}, FsErrorKind::Other, 2}),
              "2 files named by the journal of an interrupted command were left as they were: they are not the "
              "files that command recorded.");
    EXPECT_EQ(NoteText({NoteKind::StrangersLeft, {}, {}, FsErrorKind::Other, 7, {"C:\\M\\A.kmx.replaced", "B"}}),
              "7 files named by the journal of an interrupted command were left as they were: they are not the "
              "files that command recorded.\nC:\\M\\A.kmx.replaced, B, and 5 more");
    EXPECT_EQ(SelectedFateText(SelectedFate::Gone, "A.kmx"),
              "The cached file of A.kmx is no longer in the cache, so there was nothing to move. Its entry has been "
              "removed.");
    EXPECT_EQ(MissingIndexText("\\Cache"), "Cache.ini not found in \"\\Cache\".\nProgram cannot continue.");
}

// Megabytes rounded, grouped by the locale's separator, and no digits below
// half a megabyte; an emptied cache reads "0 Megabytes".
TEST(Megabytes, roundedAndGroupedWithNothingUnderHalfAMegabyte)
{
    constexpr std::uint64_t MB = std::uint64_t{1024} * 1024;
    EXPECT_EQ(FormatMegabytes(0, ","), " Megabytes");
    EXPECT_EQ(FormatMegabytes(MB / 2 - 1, ","), " Megabytes");
    EXPECT_EQ(FormatMegabytes(MB / 2, ","), "1 Megabytes");
    EXPECT_EQ(FormatMegabytes(999 * MB, ","), "999 Megabytes");
    EXPECT_EQ(FormatMegabytes(1234 * MB, ","), "1,234 Megabytes");
    EXPECT_EQ(FormatMegabytes(1234567 * MB + MB / 3, "."), "1.234.567 Megabytes");
    EXPECT_EQ(SizeText({0, 0, true}, ","), "0 Megabytes");
    EXPECT_EQ(FileCountText({7, 0, false}), "7");
}

// The "{name}"s of a text.
std::multiset<std::string> Placeholders(const std::string& text)
{
    std::multiset<std::string> names;
    const std::regex placeholder("\\{[a-z]+\\}");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), placeholder); it != std::sregex_iterator(); ++it)
        names.insert(it->str());
    return names;
}

// Every translation of every catalogue has the English text's placeholders
// (a form for a count may leave out "{count}" where the English one does), a
// caption's one accelerator, and the English text's ending in a line feed.
TEST(Translation, everyEntryKeepsTheEnglishPlaceholders)
{
    ASSERT_EQ(CatalogueLanguages(), (std::vector<std::string>{"de", "es", "fr", "pl", "pt_BR", "ru"}));
    for (const std::string& language : CatalogueLanguages()) {
        std::size_t entries = 0;
        ForEachEntry(language, [&](const CatalogueEntry& entry) {
            ++entries;
            SCOPED_TRACE(language + ": " + entry.english);
            const std::multiset<std::string> one = Placeholders(entry.english);
            const std::multiset<std::string> more = entry.englishMore.empty() ? one : Placeholders(entry.englishMore);
            for (const std::string& translation : entry.translations) {
                ASSERT_FALSE(translation.empty());
                const std::multiset<std::string> has = Placeholders(translation);
                if (entry.englishMore.empty())
                    EXPECT_EQ(has, one) << translation;
                else
                    EXPECT_TRUE(has == more || has == one) << translation;
                EXPECT_EQ(std::count(translation.begin(), translation.end(), '&'),
                          std::count(entry.english.begin(), entry.english.end(), '&'))
                    << translation;
                EXPECT_EQ(translation.back() == '\n', entry.english.back() == '\n') << translation;
            }
        });
        EXPECT_GT(entries, 150u) << language;
    }
}

// The language is the system's, tried whole and then without its country;
// a count takes the form its language uses for it; English stays as it is.
TEST(Translation, theLanguageIsChosenAsTheSystemChoosesAndCountsAsItCounts)
{
    const struct {
        const char* locale;
        const char* language;
    } locales[] = {{"de_DE.UTF-8", "de_DE"}, {"pt-BR", "pt_BR"}, {"ru_RU.KOI8-R@cyrillic", "ru_RU"},
                   {"C.UTF-8", ""},          {"POSIX", ""},      {"", ""}};
    for (const auto& row : locales)
        EXPECT_EQ(LanguageOfLocale(row.locale), row.language) << row.locale;
#ifndef _WIN32
    // LANGUAGE's list first, unless the locale of messages is C; of the
    // locale's variables, the first set of LC_ALL, LC_MESSAGES and LANG.
    const struct {
        const char *language, *all, *messages, *lang;
        std::vector<std::string> preferred;
    } environments[] = {
        {"pl:ru_RU", nullptr, nullptr, "de_DE.UTF-8", {"pl", "ru_RU", "de_DE"}},
        {"pl", "C", nullptr, "de_DE.UTF-8", {}},
        {nullptr, nullptr, "fr_FR.UTF-8", "de_DE.UTF-8", {"fr_FR"}},
        {nullptr, "pt_BR.UTF-8", "fr_FR", "de_DE", {"pt_BR"}},
        {nullptr, nullptr, nullptr, nullptr, {}},
    };
    const char* names[] = {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"};
    std::vector<std::optional<std::string>> saved;
    for (const char* name : names)
        saved.push_back(std::getenv(name) ? std::optional<std::string>(std::getenv(name)) : std::nullopt);
    for (const auto& row : environments) {
        const char* values[] = {row.language, row.all, row.messages, row.lang};
        for (std::size_t k = 0; k < std::size(names); ++k)
            values[k] ? ::setenv(names[k], values[k], 1) : ::unsetenv(names[k]);
        EXPECT_EQ(PreferredLanguages(), row.preferred)
            << (row.language ? row.language : "") << " " << (row.lang ? row.lang : "");
    }
    for (std::size_t k = 0; k < std::size(names); ++k)
        saved[k] ? ::setenv(names[k], saved[k]->c_str(), 1) : ::unsetenv(names[k]);
#endif
    const struct {
        std::vector<std::string> preferred;
        const char* chosen;
    } choices[] = {{{"de_AT"}, "de"}, {{"pt_BR"}, "pt_BR"}, {{"pt_PT"}, ""}, {{"nl", "fr_CA"}, "fr"}, {{}, ""}};
    for (const auto& row : choices)
        EXPECT_EQ(UseLanguage(row.preferred), row.chosen);

    const std::uint64_t counts[] = {0, 1, 2, 4, 5, 11, 12, 21, 22, 25, 111, 1002};
    const struct {
        const char* language;
        std::vector<std::string> forms; // for each count above
    } plurals[] = {
        {"ru", {"карт", "карта", "карты", "карты", "карт", "карт", "карт", "карта", "карты", "карт", "карт", "карты"}},
        {"pl", {"map", "mapa", "mapy", "mapy", "map", "map", "map", "map", "mapy", "map", "map", "mapy"}},
        {"fr",
         {"carte", "carte", "cartes", "cartes", "cartes", "cartes", "cartes", "cartes", "cartes", "cartes", "cartes",
          "cartes"}},
        {"de",
         {"Karten", "Karte", "Karten", "Karten", "Karten", "Karten", "Karten", "Karten", "Karten", "Karten", "Karten",
          "Karten"}},
    };
    for (const auto& row : plurals) {
        ASSERT_EQ(UseLanguage({row.language}), row.language);
        for (std::size_t k = 0; k < std::size(counts); ++k)
            EXPECT_EQ(Fill(TN("{count} map", "{count} maps", counts[k]), {{"count", ""}}), " " + row.forms[k])
                << row.language << " " << counts[k];
    }
    EXPECT_EQ(Fill(T("Moved {name} into {folder}"), {{"folder", "Maps"}, {"name", "DM-A.kmx"}}),
              "DM-A.kmx nach Maps verschoben");
    EXPECT_EQ(FormatMegabytes(std::uint64_t{1234567} << 20, GroupSeparator()), "1.234.567 Megabyte");

    UseLanguage({});
    const char* english = "Move All";
    EXPECT_EQ(T(english), english);
    EXPECT_EQ(Fill("{a} {b} {unknown}", {{"b", "2"}, {"a", "1"}}), "1 2 {unknown}");
    EXPECT_EQ(FormatMegabytes(std::uint64_t{1234567} << 20, GroupSeparator(".")), "1.234.567 Megabytes");
}

} // namespace
} // namespace ovcache
