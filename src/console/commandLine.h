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
