#pragma once
// Where the program keeps what it records of its runs, as each system keeps
// such files.
#include <filesystem>

namespace ovcache {

// $XDG_STATE_HOME (else ~/.local/state) and the program's name on Linux,
// %LOCALAPPDATA% and its title on Windows; empty when the system names none.
std::filesystem::path StateFolder();

} // namespace ovcache
