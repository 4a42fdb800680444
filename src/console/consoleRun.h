#pragma once
// The commands run from the command line: no window, nothing asked. The same
// commands, lock, journal and report as the window's; what the window would
// show is printed, as text or as one JSON document.
#include "catalogue/game.h"
#include "catalogue/gameLocation.h"
#include "console/commandLine.h"
#include "platform/gameProcess.h"

#include <filesystem>
#include <functional>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ovcache::console {

// Where the program's words go: the terminal it was started from. UTF-8.
class Output {
public:
    virtual ~Output() = default;
    virtual void Out(std::string_view text) = 0;
    virtual void Err(std::string_view text) = 0;
    // Whether everything given to Out reached its file, pipe or terminal
    // (flushed first): a full disk or a closed pipe is no success.
    virtual bool OutDelivered() { return true; }
};

// Reads the command line; a status when the program ends here (a usage
// error said on stderr, --help or --version answered), nothing when it goes
// on with parsed.options.
std::optional<int> ReadCommandLine(const std::vector<std::string>& args, bool wine, Parsed& parsed, Output& out);

// What the options name of where the game is, and the folder remembered.
GameRequest RequestOf(const Options& options, std::string remembered);

// The game a command works on; nothing, with the reason said on stderr (and
// with --json in a document on stdout), when it was not found or the folder
// named does not hold it.
std::optional<GamePrefix> GameForCommand(const GameLocation& location, const Options& options, Output& out);

// A command refused before it began, nothing changed: the reason on stderr,
// and with --json a document on stdout. Returns the exit status.
int Refuse(const Options& options, const std::string& reason, Output& out);

// What a command came to, counted, for the one line the player is told.
struct Tally {
    bool ran = false; // the command was run on the game
    std::size_t maps = 0, packages = 0, discarded = 0, left = 0;
    std::optional<std::size_t> cleared; // the files Clear found in the cache
    std::string notDone;                // why nothing was done, when something said so
};

// Runs the command of the options (List, Move, MoveAll or Clear) on the game
// in gameFolder, prints what it did, and returns the exit status. A dry run
// works on the game as it is, does everything the command would do but in
// memory, and prints that.
int RunCommand(const Options& options, const std::string& gameFolder, Output& out, const GameOptions& game = {},
               Tally* tally = nullptr);

// How the player is told of a run done without a window.
class Notifier {
public:
    virtual ~Notifier() = default;
    virtual void Notify(const std::string& title, const std::string& line) = 0;
};

// Runs a command the player is to be told of (-- GAME ..., or --notify):
// the game first when there is one, waited for; then the command, which
// finds the game itself and says on the output it is given what it did.
// Everything said is kept in the log of runs too, and the player is told in
// one line how it ended, naming the log. The exit status is the game's when
// there is one (127 when it could not be started, and then nothing is
// done), otherwise the command's.
using CommandFn = std::function<int(Output& out, Tally& tally)>;
int RunTold(const Options& options, const GameCommand& game, const CommandFn& command, Output& out, Notifier& notifier,
            const std::filesystem::path& log);

// The log of runs: in the state folder, when the system names one.
std::filesystem::path RunLogPath();

// Adds a run's report to the end of the log, which keeps the last few runs;
// false when it could not be written.
bool KeepInRunLog(const std::filesystem::path& log, std::string_view heading, std::string_view report);
inline constexpr std::size_t kRunsKept = 10;

} // namespace ovcache::console
