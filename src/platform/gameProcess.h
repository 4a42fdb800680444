#pragma once
// The game's own command, run by the program as a launcher's wrapper: started
// as given, waited for, and its end told as the launcher would have seen it.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ovcache {

struct GameCommand {
    // The program and its arguments exactly as given, in UTF-8: the program
    // looked for on PATH as a shell does (the Linux program).
    std::vector<std::string> arguments;
    // The same command as written on the Windows command line, its quoting
    // kept, for CreateProcess (the Windows program).
    std::string commandLine;
};

struct GameEnd {
    enum class How { Exited, Signalled, NotStarted } how = How::Exited;
    int code = 0;       // the exit status, or the signal that ended it
    std::string reason; // why it could not be started, in the system's words
};

// Starts the command and waits for it to end. Until it does, the signals a
// launcher sends to stop a game (SIGINT, SIGTERM, SIGHUP) are passed on to
// it, however many come; should this program die first, the game is sent
// SIGTERM rather than left running without it.
GameEnd RunGame(const GameCommand& command);

// The status a shell gives for such an end: the exit status, 128 and the
// signal, or 127 for a command that could not be started.
int ShellStatus(const GameEnd& end);

// For the program's own exit: a game ended by a signal has this program end
// by the same one (with no core dump of its own), so that the launcher sees
// what it would have seen of the game; otherwise the game's status.
int EndAsTheGameDid(const GameEnd& end);

// The text of a Windows command line from its argument number first on (0 is
// the program's name), as written: split as Windows' own parsers split it,
// quotes and backslashes included.
std::string CommandLineFrom(std::string_view commandLine, std::size_t first);

} // namespace ovcache
