#pragma once
// The program's command line, the same on both systems: read before any
// window, so that --help, --version and the commands need no display. With a
// command the program opens no window and asks nothing.
#include "catalogue/destinations.h"

#include <optional>
#include <string>
#include <vector>

namespace ovcache::console {

enum class Command { Window, Help, Version, List, Move, MoveAll, Clear };

struct Options {
    Command command = Command::Window;
    std::string map;                   // --move NAME, in UTF-8
    std::optional<std::string> game;   // --game DIR
    std::optional<std::string> prefix; // --prefix DIR (the Linux program)
    ExistingMap existing = ExistingMap::Keep;
    bool yes = false;
    bool json = false;
    std::optional<unsigned> codePage; // --code-page N (the Linux program)
    bool dryRun = false;              // --dry-run: what the command would do, nothing changed
    bool notify = false;              // --notify: the player told in a line when it is done
    // -- COMMAND [ARGS...]: the game's command, run first and waited for;
    // wrappedAt is where it begins among the arguments.
    std::vector<std::string> wrapped;
    std::size_t wrappedAt = 0;
    bool Wrapper() const { return !wrapped.empty(); }
    // The player is told how it ended, and the run is kept in the log.
    bool Told() const { return notify || Wrapper(); }
};

// The exit statuses of a command.
enum Status : int {
    kDone = 0,    // done
    kLeft = 1,    // done, with something the report names left or failed
    kRefused = 2, // a usage error, the game not found, or the command refused: nothing changed
    kBusy = 3,    // another copy of the program is working on the game
};

struct Parsed {
    Options options;
    std::string error; // one line for stderr when the command line is wrong
};

// The arguments after the program's name, in UTF-8. The Linux program
// (wine) takes --prefix too.
Parsed ParseCommandLine(const std::vector<std::string>& args, bool wine);

std::string HelpText(bool wine);
std::string VersionText();

} // namespace ovcache::console
