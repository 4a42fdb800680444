#include "fuzzChecks.h"

#include "catalogue/cacheIndex.h"
#include "catalogue/destinations.h"
#include "catalogue/entryNames.h"
#include "catalogue/journal.h"
#include "platform/prefixSearch.h"
#include "platform/registry.h"
#include "platform/wineRegistry.h"

#include <algorithm>

namespace ovcache::fuzz {

std::string CheckIndexText(std::string_view data)
{
    const auto lines = SplitIndexLines(data);
    for (const std::string_view line : lines)
        if (line.find_first_of("\r\n") != std::string::npos)
            return "a line kept its end";
    if (SplitIndexLines(JoinIndexLines(lines)) != lines)
        return "a rewritten index reads differently";

    const std::string cache = "C:\\Games\\Orvane\\Cache";
    for (const std::string_view line : lines) {
        const std::size_t eq = EqPos(line);
        const std::string_view key = EntryKey(line);
        const std::string_view name = EntryName(line);
        if (eq > 0) {
            if (line[eq - 1] != '=' || key.find('=') != std::string_view::npos)
                return "the key runs past the first \"=\"";
            if (std::string(key) + "=" + std::string(name) != line)
                return "key and name do not make up the line";
        } else if (name != line || !key.empty()) {
            return "a line without \"=\" is not its own name";
        }
        const IndexEntry entry(line);
        if (entry.Key() != key || entry.Name() != name || entry.Kind() != ClassifyForMoveAll(line))
            return "an entry reads its line differently";
        (void)entry.KindForMove(name);
        const EntryKind kind = entry.Kind();
        if (!entry.NamesAFile() || !entry.Safe())
            continue;
        // A safe entry names one file directly in the cache and one directly
        // in a game folder, nothing else.
        const std::string cached = CachedFilePath(cache, key);
        if (std::count(cached.begin(), cached.end(), '\\') != std::count(cache.begin(), cache.end(), '\\') + 1)
            return "a safe key leaves the cache folder";
        for (const std::string_view part : {key, name})
            if (part.find_first_of("\\/:") != std::string_view::npos || part == "." || part == "..")
                return "a safe name holds a path";
        if (kind != EntryKind::Other) {
            const std::string destination = DestinationPath("C:\\Games\\Orvane", kind, name);
            if (std::count(destination.begin(), destination.end(), '\\') != 4)
                return "a safe name leaves its game folder";
        }
    }
    // The same bytes as a journal: what it takes names files directly in the
    // game's folders only, and written again it reads the same.
    const std::vector<Intent> intents = ParseJournal(data);
    for (const Intent& intent : intents)
        for (const std::string* name : {&intent.from.name, &intent.to.name, &intent.temp})
            if (!name->empty() && !IsSafeFileName(*name))
                return "a journal line names a path";
    if (JournalText(ParseJournal(JournalText(intents))) != JournalText(intents))
        return "a journal reads back differently";
    return {};
}

std::string CheckRegistryText(std::string_view data)
{
    const auto registry = WineRegistry::Parse(data);
    if (!registry)
        return {};
    // Ask for keys and values made of the input's own pieces, and for the game.
    const std::string_view head = data.substr(0, std::min<std::size_t>(data.size(), 64));
    for (const std::string_view key : {std::string_view("Software\\Zephiral Technology\\Installed Apps\\Orvane"), head,
                                       std::string_view(""), std::string_view("\\\\")})
        for (const std::string_view value : {std::string_view("Folder"), std::string_view(""), head})
            if (const auto found = registry->Find(key, value)) {
                const RegValue text = ToUtf8Form(*found);
                if (text.type != found->type)
                    return "the type changed in conversion";
                // at most three UTF-8 bytes for each UTF-16 unit
                if ((found->type == kRegSz || found->type == kRegExpandSz || found->type == kRegMultiSz) &&
                    text.data.size() > found->data.size() / 2 * 3)
                    return "a string grew in conversion";
            }
    return {};
}

#ifndef _WIN32
std::string CheckLauncherText(std::string_view data)
{
    // Whatever the bytes, each reader ends, and what it gives is a path.
    for (const auto& found :
         {SteamLibraryPaths(data).value_or(std::vector<std::string>{}), HeroicWinePrefixes(data), LutrisPrefixes(data)})
        for (const std::string& path : found)
            if (path.size() > data.size())
                return "a launcher path longer than the file it came from";
    return {};
}
#endif

} // namespace ovcache::fuzz
