#include "console/commandLine.h"

#include "version.h"
#include "words/translation.h"

#include <string_view>

namespace ovcache::console {
namespace {

struct Flag {
    std::string_view name;
    Command command; // Window for an option that is no command
    bool takesValue;
};

constexpr Flag kFlags[] = {
    {"-h", Command::Help, false},
    {"-v", Command::Version, false},
    {"--help", Command::Help, false},
    {"--version", Command::Version, false},
    {"--list", Command::List, false},
    {"--move", Command::Move, true},
    {"--move-all", Command::MoveAll, false},
    {"--clear", Command::Clear, false},
    {"--game", Command::Window, true},
    {"--prefix", Command::Window, true},
    {"--existing", Command::Window, true},
    {"--yes", Command::Window, false},
    {"--json", Command::Window, false},
    {"--code-page", Command::Window, true},
    {"--dry-run", Command::Window, false},
    {"--notify", Command::Window, false},
};

// Options of the Linux program alone: Windows knows its prefix and code page.
bool WineOnly(std::string_view name)
{
    return name == "--prefix" || name == "--code-page";
}

std::optional<ExistingMap> ExistingOf(std::string_view word)
{
    if (word == "keep")
        return ExistingMap::Keep;
    if (word == "replace")
        return ExistingMap::Replace;
    if (word == "discard")
        return ExistingMap::Discard;
    return std::nullopt;
}

} // namespace

Parsed ParseCommandLine(const std::vector<std::string>& args, bool wine)
{
    Parsed parsed;
    Options& o = parsed.options;
    const auto fail = [&](const std::string& error) {
        parsed.error = Fill(T("{problem} (see --help)"), {{"problem", error}});
        return parsed;
    };
    bool existingGiven = false;
    for (std::size_t k = 0; k < args.size(); ++k) {
        std::string_view arg = args[k];
        if (arg == "--") {
            // the game's command, taken as it is: none of it is the program's
            if (k + 1 >= args.size())
                return fail(T("-- needs the game's command after it"));
            o.wrapped.assign(args.begin() + static_cast<std::ptrdiff_t>(k) + 1, args.end());
            o.wrappedAt = k + 1;
            break;
        }
        std::optional<std::string> value;
        if (const std::size_t eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
            value = std::string(arg.substr(eq + 1));
            arg = arg.substr(0, eq);
        }
        const Flag* flag = nullptr;
        for (const Flag& f : kFlags)
            if (f.name == arg && (wine || !WineOnly(f.name)))
                flag = &f;
        if (!flag)
            return fail(Fill(T("unknown option {option}"), {{"option", arg}}));
        if (flag->takesValue && !value) {
            if (k + 1 >= args.size())
                return fail(Fill(T("{option} needs a value"), {{"option", arg}}));
            value = args[++k];
        } else if (!flag->takesValue && value) {
            return fail(Fill(T("{option} takes no value"), {{"option", arg}}));
        }
        if (flag->command != Command::Window) {
            // A second --move would stand in place of the first, which would
            // then not be moved: one map at a time, as in the window.
            if (o.command != Command::Window && (o.command != flag->command || flag->command == Command::Move))
                return fail(T("give one command at a time (one --move NAME)"));
            o.command = flag->command;
            if (flag->command == Command::Move)
                o.map = *value;
        } else if (arg == "--game" || arg == "--prefix") {
            if (o.game || o.prefix)
                return fail(T("name the game once, with --game or --prefix"));
            (arg == "--game" ? o.game : o.prefix) = *value;
        } else if (arg == "--existing") {
            const std::optional<ExistingMap> existing = ExistingOf(*value);
            if (!existing)
                return fail(T("--existing takes keep, replace or discard"));
            o.existing = *existing;
            existingGiven = true;
        } else if (arg == "--code-page") {
            unsigned number = 0;
            for (const char c : *value)
                number = c >= '0' && c <= '9' && number < 100000 ? number * 10 + static_cast<unsigned>(c - '0') : 0;
            if (number == 0)
                return fail(T("--code-page takes a Windows code page number, such as 1252 or 1251"));
            o.codePage = number;
        } else if (arg == "--yes") {
            o.yes = true;
        } else if (arg == "--dry-run") {
            o.dryRun = true;
        } else if (arg == "--notify") {
            o.notify = true;
        } else {
            o.json = true;
        }
    }
    if (o.command == Command::Move && o.map.empty())
        return fail(T("--move needs the name of a map"));
    if (existingGiven && o.command != Command::Move && o.command != Command::MoveAll)
        return fail(T("--existing goes with --move or --move-all"));
    if (o.json && (o.command == Command::Window || o.command == Command::Help || o.command == Command::Version))
        return fail(T("--json goes with a command"));
    const bool changes = o.command == Command::Move || o.command == Command::MoveAll || o.command == Command::Clear;
    if (o.Wrapper() && !changes)
        return fail(T("-- COMMAND goes with --move NAME, --move-all or --clear --yes"));
    if (o.dryRun && !changes)
        return fail(T("--dry-run goes with --move NAME, --move-all or --clear"));
    if (o.notify && !changes && o.command != Command::List)
        return fail(T("--notify goes with a command"));
    // a dry run deletes nothing, so it needs no --yes
    if (o.command == Command::Clear && !o.yes && !o.dryRun)
        return fail(T("--clear deletes every file in the cache; add --yes to do it"));
    return parsed;
}

std::string HelpText(bool wine)
{
    // Each block is one text for the translators; the options' names stay.
    std::string text = Fill(T("Usage: orvane-cache-importer [--game DIR{prefix}] [COMMAND] [-- GAME [ARGS...]]\n"
                              "Moves the maps that the game Orvane downloaded, with their code, music and sound\n"
                              "packages, into the game's folders, or clears its download cache. With no command\n"
                              "the window opens; with one, no window opens and nothing is asked.\n"),
                            {{"prefix", wine ? " | --prefix DIR" : ""}});
    text += "\n";
    text += T("Where the game is:\n");
    text += wine ? T("  --game DIR         the game's install folder, on a Wine prefix's drive or anywhere else\n")
                 : T("  --game DIR         the game's install folder\n");
    if (wine)
        text += T("  --prefix DIR       the Wine prefix that holds the game, or the game's own folder\n"
                  "                     inside one; no other place is looked in\n"
                  "  --code-page N      the Windows code page the cache index is written in (1252,\n"
                  "                     1250, 1251, ...); by default the prefix's, and 1252 for a\n"
                  "                     game outside any prefix (a Windows partition, a copy)\n");
    text += "\n";
    text += T("Commands:\n"
              "  --list             the cache folder, its file count and size, and the cached maps\n"
              "  --move NAME        moves one map, as the Move button does\n"
              "  --move-all         moves every cached file that can be placed, as Move All does\n"
              "  --clear --yes      deletes every file in the cache, as Clear Cache does\n"
              "  --existing WHAT    a map of the same name already there: keep (the default: the\n"
              "                     cached map stays in the cache, the other is untouched),\n"
              "                     replace (the window's Yes), discard (the window's No: the\n"
              "                     cached copy is deleted)\n"
              "  --dry-run          says what the command would do, and changes nothing\n"
              "  --json             the result as one JSON document\n");
    text += "\n";
    text += T("After every game (as a launcher's wrapper):\n"
              "  -- GAME [ARGS...]  starts the game's own command as given, waits for it to end,\n"
              "                     then runs the command; the program ends as the game did\n"
              "  --notify           tells the player in one line what the command did, as it\n"
              "                     always does after a game, and keeps its report in the log\n"
              "                     of the last runs\n");
    text += "\n";
    text += T("  -h, --help         this text\n"
              "  -v, --version      the program's version\n");
    text += "\n";
    text += T("Exit status: 0 done; 1 done, with something the report names left or failed;\n"
              "2 a usage error, the game not found, or the command refused; 3 another copy of\n"
              "the program is working on the game. After a game, the game's own status (127\n"
              "when its command could not be started, and then nothing is done).\n");
    return text;
}

std::string VersionText()
{
    return "orvane-cache-importer " OVCACHE_VERSION "\n";
}

} // namespace ovcache::console
