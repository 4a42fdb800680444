#pragma once
// The commands run from the command line: no window, nothing asked. The same
// commands, lock, journal and report as the window's; what the window would
// show is printed, as text or as one JSON document.
#include "catalogue/game.h"
#include "catalogue/gameLocation.h"
#include "console/commandLine.h"

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

// Runs the command of the options (List, Move, MoveAll or Clear) on the game
// in gameFolder, prints what it did, and returns the exit status.
int RunCommand(const Options& options, const std::string& gameFolder, Output& out, const GameOptions& game = {});

} // namespace ovcache::console
