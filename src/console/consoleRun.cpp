#include "console/consoleRun.h"

#include "catalogue/commandReport.h"
#include "catalogue/commands.h"

#include <algorithm>
#include <map>
#include <nlohmann/json.hpp>
#include <utility>
#include <vector>

namespace ovcache::console {
namespace {

using nlohmann::json;

constexpr const char* kProgram = "orvane-cache-importer: ";

// The window's view for a run without one: it records what the commands
// show, answers what they ask as the options say, and prints it at the end.
class ConsoleView : public CacheView {
public:
    explicit ConsoleView(bool confirmed) : confirmed_(confirmed) {}

    void ClearList() override { maps.clear(); }
    void AddListEntry(std::string_view text) override { maps.emplace_back(text); }
    std::string SelectedEntry() override { return selected; }
    void SetLabel(DataLabel label, const std::string& caption) override { labels[label] = caption; }
    MsgAnswer MsgBox(const std::string& text, const std::string& /*title*/, MsgIcon /*icon*/,
                     MsgButtons buttons) override
    {
        // The one question left to a run without a window is Clear Cache's,
        // which --yes has answered; every other box is said.
        if (buttons == MsgButtons::YesNo)
            return confirmed_ ? MsgAnswer::Yes : MsgAnswer::No;
        messages.push_back(text);
        return MsgAnswer::OK;
    }
    void Report(const CommandReport& report, const std::string& /*title*/) override
    {
        busy = busy || report.Busy();
        for (const CommandReport::Problem& p : report.Problems())
            problems.push_back(p);
        notes.insert(notes.end(), report.Notes().begin(), report.Notes().end());
        unsafe += report.Unsafe();
        if (!report.Empty())
            summaries.push_back(report.Summary());
    }
    void DoneWith(std::string_view entry, std::string_view folder, bool replaced) override
    {
        done.push_back({std::string(entry), std::string(folder), replaced});
    }
    void Measured(std::size_t fileCount, std::uint64_t byteCount) override
    {
        files = fileCount;
        bytes = byteCount;
    }
    void EndProgram(int exitCode) override
    {
        ended = true;
        endStatus = exitCode;
    }

    struct Done {
        std::string entry, folder;
        bool replaced;
    };
    std::vector<std::string> maps;
    std::string selected;
    std::map<DataLabel, std::string> labels;
    std::vector<std::string> messages, notes, summaries;
    std::vector<CommandReport::Problem> problems;
    std::vector<Done> done;
    int unsafe = 0;
    std::size_t files = 0;
    std::uint64_t bytes = 0;
    bool busy = false, ended = false;
    int endStatus = 0;

private:
    bool confirmed_;
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

int StatusOf(const ConsoleView& view)
{
    if (view.busy)
        return kBusy;
    const bool left =
        view.ended || !view.messages.empty() || !view.problems.empty() || !view.notes.empty() || view.unsafe > 0;
    return left ? kLeft : kDone;
}

json CacheJson(const ConsoleView& view)
{
    const auto label = [&](DataLabel l) {
        const auto found = view.labels.find(l);
        return found == view.labels.end() ? std::string() : found->second;
    };
    return {{"folder", label(DataLabel::Path)},
            {"files", view.files},
            {"bytes", view.bytes},
            {"size", label(DataLabel::CacheSize)}};
}

void PrintJson(const Options& options, const ConsoleView& view, int status, Output& out)
{
    json document{{"command", CommandName(options.command)}, {"status", status}, {"cache", CacheJson(view)}};
    if (options.command == Command::List) {
        json maps = json::array();
        for (const std::string& map : view.maps)
            maps.push_back(map);
        document["maps"] = std::move(maps);
    } else {
        json moved = json::array(), discarded = json::array(), problems = json::array();
        for (const auto& d : view.done) {
            if (d.folder.empty())
                discarded.push_back(d.entry);
            else
                moved.push_back({{"name", d.entry}, {"folder", d.folder}, {"replaced", d.replaced}});
        }
        for (const CommandReport::Problem& p : view.problems)
            problems.push_back({{"entry", p.entry}, {"detail", p.detail}, {"reason", p.reason}});
        document["moved"] = std::move(moved);
        document["discarded"] = std::move(discarded);
        document["problems"] = std::move(problems);
        document["unsafe"] = view.unsafe;
    }
    json notes = json::array();
    for (const std::string& note : view.notes)
        notes.push_back(note);
    for (const std::string& message : view.messages)
        notes.push_back(message);
    document["notes"] = std::move(notes);
    out.Out(document.dump(2, ' ', false, json::error_handler_t::replace) + "\n");
}

void PrintText(const Options& options, const ConsoleView& view, Output& out)
{
    std::string text;
    if (options.command == Command::List) {
        for (const auto& [label, caption] :
             {std::pair{DataLabel::Path, "Cache Directory: "}, std::pair{DataLabel::FileCount, "Number of Files: "},
              std::pair{DataLabel::CacheSize, "Cache Size: "}}) {
            if (const auto found = view.labels.find(label); found != view.labels.end())
                text += caption + found->second + "\n";
        }
        for (const std::string& map : view.maps)
            text += map + "\n";
    }
    for (const auto& d : view.done) {
        if (d.folder.empty())
            text += "Discarded the cached " + d.entry + "\n";
        else
            text +=
                (d.replaced ? "Replaced " : "Moved ") + d.entry + (d.replaced ? " in " : " into ") + d.folder + "\n";
    }
    for (const std::string& message : view.messages)
        text += message + "\n";
    for (const std::string& summary : view.summaries)
        text += summary + "\n";
    for (const CommandReport::Problem& p : view.problems)
        text += p.entry + "\n    " + p.detail + "\n    " + p.reason + "\n";
    out.Out(text);
}

} // namespace

std::optional<int> ReadCommandLine(const std::vector<std::string>& args, bool wine, Parsed& parsed, Output& out)
{
    parsed = ParseCommandLine(args, wine);
    if (!parsed.error.empty()) {
        out.Err(kProgram + parsed.error + "\n");
        return kRefused;
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

std::optional<GamePrefix> GameForCommand(const GameLocation& location, Output& out)
{
    if (location.game)
        return location.game;
    if (!location.refused.empty()) {
        out.Err(kProgram + location.refused + "\n");
    } else if (!location.several.empty()) {
        std::string text =
            std::string(kProgram) + "the game is installed in more than one Wine prefix; name one with --prefix:\n";
        for (const GamePrefix& game : location.several)
            text += "    " + game.prefix.string() + "\n";
        out.Err(text);
    } else {
        out.Err(kProgram + std::string("Orvane was not found. The program looked in:") + WhereLooked(location.search) +
                "\nName the game's folder with --game.\n");
    }
    return std::nullopt;
}

int RunCommand(const Options& options, WorkingState& state, Output& out)
{
    ConsoleView view(options.command == Command::Clear && options.yes);
    state.existingMaps = options.existing;
    // Move All and Clear Cache list the cache when they are done; only Move
    // needs the list first, to find the map named.
    const bool list = options.command != Command::MoveAll && options.command != Command::Clear;
    const bool listed = StartUp(state, view, CreateFileSystemService(), list);
    if (listed && !view.busy) {
        switch (options.command) {
        case Command::Move: {
            view.selected = options.map;
            if (std::find(view.maps.begin(), view.maps.end(), view.selected) == view.maps.end()) {
                out.Err(kProgram + options.map + " is not among the cached maps (see --list)\n");
                return kRefused;
            }
            MoveSelectedMap(state, view);
            break;
        }
        case Command::MoveAll:
            MoveAllCached(state, view);
            break;
        case Command::Clear:
            ClearCache(state, view);
            break;
        default:
            break;
        }
    }
    const int status = StatusOf(view);
    if (options.json)
        PrintJson(options, view, status, out);
    else
        PrintText(options, view, out);
    return status;
}

} // namespace ovcache::console
