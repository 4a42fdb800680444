#include "console/consoleRun.h"

#include "catalogue/commands.h"
#include "catalogue/listOrder.h"
#include "platform/planningFileSystem.h"
#include "platform/stateFolder.h"
#include "words/translation.h"
#include "words/words.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <optional>
#include <utility>
#include <vector>

namespace ovcache::console {
namespace {

using nlohmann::json;

constexpr const char* kProgram = "orvane-cache-importer: ";

// The questions of a run without a window, answered as the options say.
class OptionDecisions final : public Decisions {
public:
    explicit OptionDecisions(const Options& options) : options_(options) {}
    ExistingMap MapExists(const std::string&, std::string_view) override { return options_.existing; }
    // a dry run shows what the confirmed command would do
    bool ConfirmClear(const std::string&) override { return options_.yes || options_.dryRun; }

private:
    const Options& options_;
};

// What a run did: the start's result (its repair and list), and the
// command's when one ran after it.
struct Run {
    Ending repair = Ending::Done;
    CommandResult start;
    std::optional<CommandResult> command;
    std::string gameFolder;
    const CommandResult& Last() const { return command ? *command : start; }
};

const char* CommandName(Command command)
{
    switch (command) {
    case Command::List:
        return "list";
    case Command::Move:
        return "move";
    case Command::MoveAll:
        return "move-all";
    case Command::Clear:
        return "clear";
    default:
        return "";
    }
}

// A stable name for each reason, for scripts.
const char* WhyName(Why why)
{
    switch (why) {
    case Why::Failed:
        return "failed";
    case Why::NameTaken:
        return "name-taken";
    case Why::NoFolder:
        return "no-folder";
    case Why::FolderNotMade:
        return "folder-not-made";
    case Why::KeptBesideMap:
        return "kept-beside-map";
    case Why::CachedFileMissing:
        return "cached-file-missing";
    case Why::MapReadOnly:
        return "map-read-only";
    case Why::MapNotPlain:
        return "map-not-plain";
    case Why::AsideKept:
        return "aside-kept";
    case Why::NotPutBack:
        return "not-put-back";
    case Why::AsideNotPutBack:
        return "aside-not-put-back";
    case Why::NotDeleted:
        return "not-deleted";
    case Why::IndexUnreadable:
        return "index-unreadable";
    case Why::CacheUnreadable:
        return "cache-unreadable";
    case Why::CacheUnmeasured:
        return "cache-unmeasured";
    case Why::NotCleared:
        return "not-cleared";
    case Why::NotLocked:
        return "not-locked";
    case Why::JournalNotOurs:
        return "journal-not-ours";
    case Why::JournalUnreadable:
        return "journal-unreadable";
    case Why::NotSettled:
        return "not-settled";
    }
    return "";
}

// The reports of the start and of the command, in that order.
template <typename Take> void ForEachReport(const Run& run, Take take)
{
    take(run.start.report);
    if (run.command)
        take(run.command->report);
}

// The boxes a window would show, as lines.
std::vector<std::string> Messages(const Run& run, const Options& options)
{
    std::vector<std::string> messages;
    if (run.repair == Ending::Busy || run.Last().ending == Ending::Busy)
        messages.push_back(BusyText(run.gameFolder));
    if (run.Last().ending == Ending::IndexMissing)
        messages.push_back(MissingIndexText(run.Last().cacheFolder));
    if (run.command && run.command->selected != SelectedFate::Handled)
        messages.push_back(SelectedFateText(run.command->selected, options.map));
    return messages;
}

int StatusOf(const Run& run)
{
    const CommandResult& last = run.Last();
    if (run.repair == Ending::Busy || last.ending == Ending::Busy)
        return kBusy;
    // Refused, nothing changed: a cache without its index is one the program
    // cannot work on.
    if (run.repair == Ending::Refused || last.ending == Ending::Refused || last.ending == Ending::NotConfirmed ||
        last.ending == Ending::NothingSelected || last.ending == Ending::IndexMissing)
        return kRefused;
    bool left = last.selected != SelectedFate::Handled;
    ForEachReport(run, [&](const CommandReport& report) { left = left || !report.Empty(); });
    return left ? kLeft : kDone;
}

// The cache's figures, as the last result has them; a cache not measured
// has none.
json CacheJson(const CommandResult& last)
{
    json cache{{"folder", last.cacheFolder}};
    if (last.figures) {
        cache["files"] = last.figures->files;
        cache["bytes"] = last.figures->bytes;
        cache["size"] = SizeText(*last.figures, ",");
    } else {
        cache["files"] = cache["bytes"] = cache["size"] = nullptr;
    }
    return cache;
}

// The maps in the window's order.
ListRows Ordered(const ListRows& rows)
{
    ListRows ordered;
    AddInListOrder(ordered, rows);
    return ordered;
}

// A command's document with nothing in it yet: every field a script reads
// is there, whatever happened.
json EmptyDocument(const Options& options, int status)
{
    json document{
        {"command", CommandName(options.command)}, {"dry-run", options.dryRun}, {"status", status}, {"cache", nullptr}};
    if (options.command == Command::List)
        document["maps"] = json::array();
    else
        document["moved"] = document["discarded"] = json::array();
    document["problems"] = json::array();
    document["unsafe"] = 0;
    document["notes"] = json::array();
    return document;
}

std::string Dumped(const json& document)
{
    return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

// The status, unless what was printed was lost: then the run is not
// the success it would say.
int Delivered(int status, Output& out)
{
    if (out.OutDelivered())
        return status;
    out.Err(kProgram + std::string(T("what the command did could not be written to the standard output")) + "\n");
    return status == kDone ? kLeft : status;
}

void PrintJson(const Options& options, const Run& run, int status, Output& out)
{
    const CommandResult& last = run.Last();
    json document = EmptyDocument(options, status);
    document["cache"] = CacheJson(last);
    if (options.command == Command::List) {
        json maps = json::array();
        const ListRows ordered = last.list ? Ordered(*last.list) : ListRows();
        for (std::size_t k = 0; k < ordered.size(); ++k)
            maps.push_back(ordered[k]);
        document["maps"] = std::move(maps);
    } else {
        json moved = json::array(), discarded = json::array();
        if (run.command) {
            const DoneFiles& done = run.command->done;
            for (std::size_t k = 0; k < done.size(); ++k) {
                const DoneFiles::Item item = done[k];
                if (item.folder.empty())
                    discarded.push_back(item.name);
                else
                    moved.push_back({{"name", item.name}, {"folder", item.folder}, {"replaced", item.replaced}});
            }
        }
        document["moved"] = std::move(moved);
        document["discarded"] = std::move(discarded);
    }
    json problems = json::array(), notes = json::array();
    int unsafe = 0;
    ForEachReport(run, [&](const CommandReport& report) {
        for (const Problem& p : report.Problems())
            problems.push_back({{"entry", p.entry},
                                {"path", p.path},
                                {"into", p.into},
                                {"why", WhyName(p.why)},
                                {"reason", ReasonText(p)}});
        for (const Note& note : report.Notes())
            notes.push_back(NoteText(note));
        unsafe += report.Unsafe();
    });
    for (const std::string& message : Messages(run, options))
        notes.push_back(message);
    document["problems"] = std::move(problems);
    document["unsafe"] = unsafe;
    document["notes"] = std::move(notes);
    out.Out(Dumped(document));
}

void PrintText(const Options& options, const Run& run, Output& out)
{
    const CommandResult& last = run.Last();
    std::string text;
    const bool dry = options.dryRun;
    if (dry)
        text += T("Dry run: nothing was changed. The command would do this:") + std::string("\n");
    if (dry && options.command == Command::Clear && run.command && run.start.figures)
        text += Fill(TN("Would delete the {count} file in {folder} ({size})",
                        "Would delete the {count} files in {folder} ({size})", run.start.figures->files),
                     {{"count", FileCountText(*run.start.figures)},
                      {"folder", run.start.cacheFolder},
                      {"size", SizeText(*run.start.figures, GroupSeparator())}}) +
                "\n";
    if (options.command == Command::List && last.list) {
        // the window's own captions
        text += T("Cache Directory:") + (" " + last.cacheFolder) + "\n";
        if (last.figures)
            text += T("Number of Files:") + (" " + FileCountText(*last.figures)) + "\n" + T("Cache Size:") + " " +
                    SizeText(*last.figures, GroupSeparator()) + "\n";
        const ListRows ordered = Ordered(*last.list);
        for (std::size_t k = 0; k < ordered.size(); ++k)
            (text += ordered[k]) += "\n";
    }
    if (run.command) {
        const DoneFiles& done = run.command->done;
        for (std::size_t k = 0; k < done.size(); ++k) {
            const DoneFiles::Item item = done[k];
            const std::string_view name(item.name), folder(item.folder);
            if (folder.empty())
                text += Fill(dry ? T("Would discard the cached {name}") : T("Discarded the cached {name}"),
                             {{"name", name}});
            else if (item.replaced)
                text += Fill(dry ? T("Would replace {name} in {folder}") : T("Replaced {name} in {folder}"),
                             {{"name", name}, {"folder", folder}});
            else
                text += Fill(dry ? T("Would move {name} into {folder}") : T("Moved {name} into {folder}"),
                             {{"name", name}, {"folder", folder}});
            text += '\n';
        }
    }
    for (const std::string& message : Messages(run, options))
        text += message + "\n";
    ForEachReport(run, [&](const CommandReport& report) {
        if (!report.Empty())
            text += ReportSummary(report) + "\n";
    });
    ForEachReport(run, [&](const CommandReport& report) {
        if (!report.Problems().empty())
            text += ReportDetails(report) + "\n";
    });
    out.Out(text);
}

// The counts of what the run did, for the line the player is told.
void Count(const Options& options, const Run& run, Tally& tally)
{
    tally.ran = true;
    if (run.repair == Ending::Busy || run.Last().ending == Ending::Busy)
        tally.notDone = BusyText(run.gameFolder);
    else if (run.Last().ending == Ending::IndexMissing)
        tally.notDone = MissingIndexText(run.Last().cacheFolder);
    if (run.command) {
        const DoneFiles& done = run.command->done;
        for (std::size_t k = 0; k < done.size(); ++k) {
            const std::string_view folder = done[k].folder;
            ++(folder.empty()                                ? tally.discarded
               : folder == DestinationFolder(EntryKind::Map) ? tally.maps
                                                             : tally.packages);
        }
        if (options.command == Command::Clear && run.start.figures)
            tally.cleared = run.start.figures->files;
    }
    ForEachReport(run, [&](const CommandReport& report) { tally.left += report.Problems().size(); });
}

// The form the language uses for the count, with the count in it.
std::string Counted(const char* form, std::size_t count)
{
    return Fill(form, {{"count", std::to_string(count)}});
}

// The line the player is told of a run, naming the log when there is one.
std::string ToldText(const Options& options, const Tally& tally, int status, const std::string& said,
                     const std::string& log)
{
    const bool dry = options.dryRun;
    std::string text;
    if (!tally.ran || status == kBusy || !tally.notDone.empty() || (status == kRefused && tally.left == 0)) {
        std::string why = tally.notDone.empty() ? said : tally.notDone;
        why = why.substr(0, why.find('\n'));
        text = Fill(T("Nothing was done: {reason}"), {{"reason", why.empty() ? T("see the report") : why}});
    } else if (options.command == Command::Clear) {
        if (!tally.cleared)
            text = dry ? T("The cache would be cleared") : T("The cache was cleared");
        else
            text = dry ? Counted(TN("The cache would be cleared: {count} file",
                                    "The cache would be cleared: {count} files", *tally.cleared),
                                 *tally.cleared)
                       : Counted(TN("The cache was cleared: {count} file deleted",
                                    "The cache was cleared: {count} files deleted", *tally.cleared),
                                 *tally.cleared);
    } else if (options.command == Command::List) {
        text = T("The cache was listed");
    } else {
        const std::string maps = Counted(TN("{count} map", "{count} maps", tally.maps), tally.maps);
        const std::string packages = Counted(TN("{count} package", "{count} packages", tally.packages), tally.packages);
        if (tally.maps && tally.packages)
            text = Fill(dry ? T("{maps} and {packages} would be imported") : T("{maps} and {packages} imported"),
                        {{"maps", maps}, {"packages", packages}});
        else if (tally.maps || tally.packages)
            text = Fill(dry ? T("{what} would be imported") : T("{what} imported"),
                        {{"what", tally.maps ? maps : packages}});
        else
            text = dry ? T("Nothing would be imported") : T("Nothing was imported");
        if (tally.discarded)
            text += dry ? Counted(TN(", {count} cached copy would be discarded",
                                     ", {count} cached copies would be discarded", tally.discarded),
                                  tally.discarded)
                        : Counted(TN(", {count} cached copy discarded", ", {count} cached copies discarded",
                                     tally.discarded),
                                  tally.discarded);
    }
    if (tally.left)
        text += dry ? Counted(TN("; {count} would be left", "; {count} would be left", tally.left), tally.left)
                    : Counted(TN("; {count} left", "; {count} left", tally.left), tally.left);
    if (!log.empty())
        text += Fill(tally.left ? T(", see {log}") : T("; see {log}"), {{"log", log}});
    return text;
}

// Everything said, kept for the log as well.
class KeptOutput final : public Output {
public:
    explicit KeptOutput(Output& out) : out_(out) {}
    void Out(std::string_view text) override
    {
        out_.Out(text);
        kept += text;
    }
    void Err(std::string_view text) override
    {
        out_.Err(text);
        kept += text;
        if (firstError.empty()) {
            firstError = text.starts_with(kProgram) ? text.substr(std::string_view(kProgram).size()) : text;
            firstError = firstError.substr(0, firstError.find('\n'));
        }
    }
    bool OutDelivered() override { return out_.OutDelivered(); }
    std::string kept, firstError;

private:
    Output& out_;
};

std::string PathText(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

// The heading of a run in the log: when, what was asked, and how the game ended.
std::string Heading(const Options& options, const GameEnd* game)
{
    const std::time_t now = std::time(nullptr);
    char when[32] = "";
    if (const std::tm* local = std::localtime(&now))
        std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", local);
    std::string heading =
        std::string(when) + " --" + CommandName(options.command) + (options.dryRun ? " --dry-run" : "");
    if (!options.map.empty())
        heading += " " + options.map;
    if (game) {
        std::string command;
        for (const std::string& argument : options.wrapped)
            command += (command.empty() ? "" : " ") + argument;
        const std::string code = std::to_string(game->code);
        heading +=
            " " + Fill(game->how == GameEnd::How::NotStarted  ? T("after {command}: it could not be started")
                       : game->how == GameEnd::How::Signalled ? T("after {command}: it was ended by signal {code}")
                                                              : T("after {command}: it ended with status {code}"),
                       {{"command", command}, {"code", code}});
    }
    std::replace_if(
        heading.begin(), heading.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    return heading;
}

constexpr std::string_view kRunMark = "== ";
// The log stays small: older runs go when it would grow past this, and the
// newest run is kept whole whatever its size.
constexpr std::uintmax_t kLogSize = 4u << 20, kLogReadLimit = 64u << 20;

} // namespace

std::filesystem::path RunLogPath()
{
    const std::filesystem::path folder = StateFolder();
    return folder.empty() ? folder : folder / "runs.log";
}

bool KeepInRunLog(const std::filesystem::path& log, std::string_view heading, std::string_view report)
{
    namespace fs = std::filesystem;
    std::error_code error;
    fs::create_directories(log.parent_path(), error);
    std::string before;
    // only the program's own log, as a plain file, is read; anything else
    // of its name is replaced
    if (fs::is_regular_file(fs::symlink_status(log, error)) && fs::file_size(log, error) <= kLogReadLimit) {
        std::ifstream in(log, std::ios::binary);
        before.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // Each line of a report is indented, so that only headings begin a run,
    // whatever names the report holds.
    std::string entry = std::string(kRunMark) + std::string(heading) + "\n";
    for (std::size_t at = 0; at < report.size();) {
        const std::size_t end = std::min(report.find('\n', at), report.size());
        entry += "  ";
        entry += report.substr(at, end - at);
        entry += '\n';
        at = end + 1;
    }
    std::vector<std::size_t> starts;
    for (std::size_t at = 0; at < before.size();
         at = before.find('\n', at) == std::string::npos ? before.size() : before.find('\n', at) + 1)
        if (std::string_view(before).substr(at).starts_with(kRunMark))
            starts.push_back(at);
    std::size_t from = starts.empty() ? before.size() : starts.front();
    for (std::size_t k = 0; k < starts.size(); ++k)
        if (starts.size() - k >= kRunsKept || before.size() - starts[k] + entry.size() > kLogSize)
            from = k + 1 < starts.size() ? starts[k + 1] : before.size();
    const fs::path made =
        log.parent_path() / (log.filename().string() + "." +
                             std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + ".new");
    {
        std::ofstream out(made, std::ios::binary | std::ios::trunc);
        out << std::string_view(before).substr(from) << entry;
        out.flush();
        if (!out) {
            fs::remove(made, error);
            return false;
        }
    }
    fs::rename(made, log, error);
    if (error)
        fs::remove(made, error);
    return !error;
}

int RunTold(const Options& options, const GameCommand& game, const CommandFn& command, Output& out, Notifier& notifier,
            const std::filesystem::path& log)
{
    std::optional<GameEnd> ended;
    if (options.Wrapper()) {
        ended = RunGame(game);
        if (ended->how == GameEnd::How::NotStarted) {
            const std::string reason =
                Fill(T("the game's command could not be started: {reason}"), {{"reason", ended->reason}});
            out.Err(kProgram + reason + "\n");
            const bool logged = !log.empty() && KeepInRunLog(log, Heading(options, &*ended), reason);
            Tally tally;
            tally.notDone = reason;
            notifier.Notify(kProgramTitle, ToldText(options, tally, kRefused, reason, logged ? PathText(log) : ""));
            return EndAsTheGameDid(*ended);
        }
    }
    KeptOutput kept(out);
    Tally tally;
    const int status = command(kept, tally);
    const bool logged = !log.empty() && KeepInRunLog(log, Heading(options, ended ? &*ended : nullptr), kept.kept);
    notifier.Notify(kProgramTitle, ToldText(options, tally, status, kept.firstError, logged ? PathText(log) : ""));
    if (!ended)
        return status;
    out.OutDelivered(); // flushed before the program ends as the game did
    return EndAsTheGameDid(*ended);
}

std::optional<int> ReadCommandLine(const std::vector<std::string>& args, bool wine, Parsed& parsed, Output& out)
{
    parsed = ParseCommandLine(args, wine);
    if (!parsed.error.empty()) {
        // a script that asked for JSON gets it, whatever else was wrong
        parsed.options.json = std::find(args.begin(), args.end(), "--json") != args.end();
        return Refuse(parsed.options, parsed.error, out);
    }
    if (parsed.options.command == Command::Help || parsed.options.command == Command::Version) {
        out.Out(parsed.options.command == Command::Help ? HelpText(wine) : VersionText());
        return kDone;
    }
    return std::nullopt;
}

GameRequest RequestOf(const Options& options, std::string remembered)
{
    GameRequest request;
    request.named = options.game ? options.game : options.prefix;
    request.kind = options.game ? NamedFolder::Game : NamedFolder::GameOrPrefix;
    request.remembered = std::move(remembered);
    return request;
}

std::optional<GamePrefix> GameForCommand(const GameLocation& location, const Options& options, Output& out)
{
    if (location.game)
        return location.game;
    if (!location.refused.empty()) {
        Refuse(options, RefusedText(location), out);
    } else if (!location.several.empty()) {
        std::string text = T("the game is installed in more than one Wine prefix; name one with --prefix:");
        for (const GamePrefix& game : location.several)
            text += "\n    " + game.prefix.string();
        Refuse(options, text, out);
    } else {
        Refuse(options,
               Fill(T("Orvane was not found. The program looked in:{places}\nName the game's folder with --game."),
                    {{"places", WhereLooked(location)}}),
               out);
    }
    return std::nullopt;
}

int Refuse(const Options& options, const std::string& reason, Output& out)
{
    out.Err(kProgram + reason + "\n");
    if (options.json) {
        json document = EmptyDocument(options, kRefused);
        document["error"] = reason;
        out.Out(Dumped(document));
    }
    return Delivered(kRefused, out);
}

int RunCommand(const Options& options, const std::string& gameFolder, Output& out, const GameOptions& game,
               Tally* tally)
{
    // Move All and Clear Cache list the cache when they are done; only Move
    // needs the list first, to find the map named, and Clear when what it
    // finds is to be told.
    const bool list =
        options.command != Command::MoveAll && (options.command != Command::Clear || options.dryRun || tally);
    std::unique_ptr<FileSystemService> files = CreateFileSystemService();
    if (options.dryRun)
        files = CreatePlanningService(std::move(files));
    Opening opening = OpenGame(std::move(files), gameFolder, {}, list, game);
    Run run{opening.repair, std::move(opening.result), std::nullopt, opening.game.Folder()};
    if (run.repair == Ending::Done && run.start.ending == Ending::Done) {
        OptionDecisions decisions(options);
        switch (options.command) {
        case Command::Move: {
            bool listed = false;
            for (std::size_t k = 0; run.start.list && k < run.start.list->size() && !listed; ++k)
                listed = (*run.start.list)[k] == options.map;
            if (!listed) {
                const std::string reason =
                    Fill(T("{name} is not among the cached maps (see --list)"), {{"name", options.map}});
                if (tally)
                    tally->notDone = reason;
                return Refuse(options, reason, out);
            }
            run.command = MoveSelectedMap(opening.game, options.map, decisions);
            break;
        }
        case Command::MoveAll:
            run.command = MoveAllCached(opening.game, decisions);
            break;
        case Command::Clear:
            run.command = ClearCache(opening.game, decisions);
            break;
        default:
            break;
        }
    }
    const int status = StatusOf(run);
    if (tally)
        Count(options, run, *tally);
    if (options.json)
        PrintJson(options, run, status, out);
    else
        PrintText(options, run, out);
    return Delivered(status, out);
}

} // namespace ovcache::console
