#include "words/words.h"

#include "words/translation.h"

#include <cmath>
#include <utility>
#include <vector>

namespace ovcache {
namespace {

// Words the file service gave: the system's own, said as they are, or the
// service's, in the player's language.
std::string Said(const std::string& words)
{
    return T(words.c_str());
}

constexpr std::size_t kShownGroups = 6;   // the summary stays a few lines; the list has the rest
constexpr std::size_t kLongestName = 240; // characters of a name shown whole

// The system's words, or ours for a taken name, or for a file found gone
// where the system said nothing.
std::string SystemReason(FsErrorKind error, const std::string& message)
{
    if (error == FsErrorKind::AlreadyExists)
        return T(kAlreadyThere);
    if (message.empty() && error == FsErrorKind::NotFound)
        return T("The file is no longer there.");
    return Said(message);
}

std::string FolderOf(const std::string& path)
{
    return path.substr(0, path.find_last_of('\\'));
}

} // namespace

std::string ShortName(const std::string& name)
{
    if (name.size() <= kLongestName)
        return name;
    return name.substr(0, kLongestName / 2) + "..." + name.substr(name.size() - kLongestName / 2);
}

std::string ReasonText(const Problem& p)
{
    std::string system = SystemReason(p.error, p.message);
    switch (p.why) {
    case Why::Failed:
    case Why::NotCleared:
        return system;
    case Why::NameTaken:
        return T(kAlreadyThere);
    case Why::NoFolder:
        return T("That folder does not exist.");
    case Why::FolderNotMade:
        return Fill(T("The folder could not be made: {reason}"), {{"reason", system}});
    case Why::KeptBesideMap:
        return T("A map of that name is already there, so this one was left in the cache.");
    case Why::CachedFileMissing:
        return T("The cached file is missing, so the map already in Maps was kept.");
    case Why::MapReadOnly:
        return T("The map already in Maps is read-only and was kept.");
    case Why::MapNotPlain:
        return T("What is in Maps under that name is not a plain file, so it was kept.");
    case Why::AsideKept:
        return Fill(T("The map that was in Maps is kept under this name: {reason}"), {{"reason", system}});
    case Why::NotPutBack:
        return Fill(T("Could not be put back into the cache, and is here: {reason}"), {{"reason", system}});
    case Why::AsideNotPutBack:
        return Fill(T("The map that was in Maps could not be put back, and is here: {path}"),
                    {{"path", Said(p.message)}});
    case Why::NotDeleted:
        return Fill(T("Could not be deleted: {reason}"), {{"reason", system}});
    case Why::IndexUnreadable:
        return Fill(T("The cache index could not be read: {reason}"), {{"reason", Said(p.message)}});
    case Why::CacheUnreadable:
    case Why::JournalUnreadable:
        return Fill(T("Could not be read: {reason}"), {{"reason", Said(p.message)}});
    case Why::CacheUnmeasured:
        return Fill(T("Could not be measured: {reason}"), {{"reason", Said(p.message)}});
    case Why::NotLocked:
        // What the player can do about it: the folder that must let this
        // program make its two small files.
        if (p.error == FsErrorKind::NotRegular)
            return Fill(T("The game could not be locked for this program, so nothing was changed: {reason}."),
                        {{"reason", system}});
        return Fill(T("The game could not be locked for this program, so nothing was changed: {reason}. The program "
                      "keeps its lock and journal in {folder}, so that folder must let your user create files, even "
                      "when Cache and Maps do."),
                    {{"reason", system}, {"folder", FolderOf(p.path)}});
    case Why::JournalNotOurs:
        return Fill(T("Nothing was changed. {reason}"), {{"reason", Said(p.message)}});
    case Why::NotSettled:
        return Fill(T("Left over from an interrupted command, and could not be put in order: {reason}"),
                    {{"reason", Said(p.message)}});
    }
    return system;
}

std::string DetailText(const Problem& p)
{
    if (p.into.empty())
        return ShortName(p.path);
    return ShortName(p.path.substr(p.path.find_last_of('\\') + 1) + " -> " + p.into);
}

std::string NoteText(const Note& note)
{
    std::string system = SystemReason(note.error, note.message);
    switch (note.kind) {
    case NoteKind::NoIndexNothingMoved:
        return Fill(T("The cache index {path} is missing, so nothing was moved."), {{"path", note.path}});
    case NoteKind::IndexNotDeleted:
        return Fill(T("The cache index could not be deleted ({reason}), so the files this command moved were put "
                      "back."),
                    {{"reason", system}});
    case NoteKind::IndexInPlaceAnyway:
        return Fill(T("The new cache index is in place, but the disk reported a failure ({path}: {reason})."),
                    {{"path", note.path}, {"reason", system}});
    case NoteKind::IndexRemovedMeanwhile:
        return T("The cache index was removed while this command worked, so the files it moved keep their places.");
    case NoteKind::IndexNotUpdated:
        return Fill(T("The cache index could not be updated ({path}: {reason}), so the files this command moved were "
                      "put back."),
                    {{"path", note.path}, {"reason", system}});
    case NoteKind::StrangersLeft: {
        std::string text = Fill(TN("1 file named by the journal of an interrupted command was left as it was: it is "
                                   "not the file that command recorded.",
                                   "{count} files named by the journal of an interrupted command were left as they "
                                   "were: they are not the files that command recorded.",
                                   note.count),
                                {{"count", std::to_string(note.count)}});
        // the first few by name, so that a map kept as "X.kmx.replaced" can be found
        for (std::size_t k = 0; k < note.files.size(); ++k)
            text += (k == 0 ? "\n" : ", ") + note.files[k];
        if (!note.files.empty() && note.count > note.files.size()) {
            const std::size_t more = note.count - note.files.size();
            text += Fill(TN(", and {count} more", ", and {count} more", more), {{"count", std::to_string(more)}});
        }
        return text;
    }
    }
    return {};
}

std::string ReportSummary(const CommandReport& report)
{
    std::vector<std::string> lines;
    for (const Note& note : report.Notes())
        lines.push_back(NoteText(note));
    // Problems of one kind, in the order they first came: moves into one
    // folder that failed for one reason.
    struct Group {
        const Problem* first;
        std::string reason;
        std::size_t count;
    };
    std::vector<Group> groups;
    for (const Problem& p : report.Problems()) {
        std::string reason = ReasonText(p);
        bool found = false;
        for (Group& group : groups) {
            if (!p.into.empty() && group.first->into == p.into && group.reason == reason) {
                ++group.count;
                found = true;
                break;
            }
        }
        if (!found)
            groups.push_back({&p, std::move(reason), 1});
    }
    for (std::size_t k = 0; k < groups.size() && k < kShownGroups; ++k) {
        const auto& [p, reason, count] = groups[k];
        if (p->into.empty())
            lines.push_back(ShortName(p->entry) + " (" + DetailText(*p) + "): " + reason);
        else if (count == 1)
            lines.push_back(Fill(T("{name} could not be moved into {folder}: {reason}"),
                                 {{"name", ShortName(p->entry)}, {"folder", p->into}, {"reason", reason}}));
        else
            lines.push_back(Fill(TN("{count} file could not be moved into {folder}: {reason}",
                                    "{count} files could not be moved into {folder}: {reason}", count),
                                 {{"count", std::to_string(count)}, {"folder", p->into}, {"reason", reason}}));
    }
    if (groups.size() > kShownGroups) {
        const std::size_t more = groups.size() - kShownGroups;
        lines.push_back(Fill(TN("...and {count} more kind of failure.", "...and {count} more kinds of failure.", more),
                             {{"count", std::to_string(more)}}));
    }
    if (!report.Problems().empty())
        lines.emplace_back(report.Problems().size() == 1
                               ? T("It was left as it was.")
                               : T("They were left as they were; the list below names each."));
    if (const int unsafe = report.Unsafe(); unsafe > 0)
        lines.push_back(Fill(TN("{count} entry was passed over because its name could lead outside the game's "
                                "folders.",
                                "{count} entries were passed over because their names could lead outside the game's "
                                "folders.",
                                static_cast<std::uint64_t>(unsafe)),
                             {{"count", std::to_string(unsafe)}}));
    std::string text;
    for (const std::string& line : lines)
        text += (text.empty() ? "" : "\n\n") + line;
    return text;
}

std::string ReportDetails(const CommandReport& report)
{
    std::string text;
    for (const Problem& p : report.Problems())
        text += (text.empty() ? "" : "\n") + ShortName(p.entry) + "\n    " + DetailText(p) + "\n    " + ReasonText(p) +
                "\n";
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

std::string FormatMegabytes(std::uint64_t bytes, const std::string& groupSeparator)
{
    const auto megabytes = static_cast<std::uint64_t>(std::llround(static_cast<double>(bytes) / 1024.0 / 1024.0));
    std::string digits = megabytes == 0 ? std::string() : std::to_string(megabytes);
    std::string grouped;
    for (std::size_t k = 0; k < digits.size(); ++k) {
        if (k > 0 && (digits.size() - k) % 3 == 0)
            grouped += groupSeparator;
        grouped += digits[k];
    }
    return Fill(T("{number} Megabytes"), {{"number", grouped}});
}

std::string SizeText(const CacheFigures& figures, const std::string& groupSeparator)
{
    return figures.emptied ? Fill(T("{number} Megabytes"), {{"number", "0"}})
                           : FormatMegabytes(figures.bytes, groupSeparator);
}

std::string GroupSeparator(const std::string& locales)
{
    return LanguageInUse().empty() ? locales : TC("thousands separator", ",");
}

std::string FileCountText(const CacheFigures& figures)
{
    return std::to_string(figures.files);
}

std::string MissingIndexText(const std::string& cacheFolder)
{
    return Fill(T("Cache.ini not found in \"{folder}\".\nProgram cannot continue."), {{"folder", cacheFolder}});
}

std::string BusyText(const std::string& gameFolder)
{
    return Fill(T("Another copy of Orvane Cache Importer is working on the game in {folder}.\nThis one changes "
                  "nothing until that one has finished; try again then."),
                {{"folder", gameFolder}});
}

std::string SelectedFateText(SelectedFate fate, const std::string& name)
{
    switch (fate) {
    case SelectedFate::Gone:
        return Fill(T("The cached file of {name} is no longer in the cache, so there was nothing to move. Its entry "
                      "has been removed."),
                    {{"name", name}});
    case SelectedFate::NamesNothing:
        return Fill(T("{name} names no cached file in the cache index, so there is nothing to move."),
                    {{"name", name}});
    case SelectedFate::Handled:
        break;
    }
    return {};
}

std::string WhereLooked(const GameLocation& location)
{
    std::string text;
    for (const LookedIn& place : location.search.looked)
        text += "\n    " + Fill(T(place.words), place.values);
    for (const PassedOver& place : location.passed) {
        const std::string where = place.prefix.empty() ? "" : Fill(T(" (in {prefix})"), {{"prefix", place.prefix}});
        switch (place.what) {
        case PassedOver::What::NoFolderNamed:
            text += "\n    " + std::string(T("The game's install value, which names no folder")) + where;
            break;
        case PassedOver::What::NoGameThere:
            text += "\n    " +
                    Fill(T("The folder it names, {folder}, which has no System or Cache folder"),
                         {{"folder", place.folder}}) +
                    where;
            break;
        case PassedOver::What::ChosenLastTime:
            text += "\n    " + Fill(T("The folder chosen last time: {folder}"), {{"folder", place.folder}}) +
                    (place.reason.empty() ? "" : " (" + std::string(T(place.reason.c_str())) + ")");
            break;
        }
    }
    const PrefixSearch& search = location.search;
    if (!search.skipped.empty())
        text +=
            "\n\n" +
            Fill(TN("The search took too long and left {count} prefix unread, among them:",
                    "The search took too long and left {count} prefixes unread, among them:", search.skipped.size()),
                 {{"count", std::to_string(search.skipped.size())}}) +
            "\n\n    " + search.skipped.front();
    return text;
}

std::string RefusedText(const GameLocation& location)
{
    return location.refused + " " + T(location.refusedReason.c_str());
}

} // namespace ovcache
