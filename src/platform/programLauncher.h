#pragma once
#include <string>

namespace ovcache {

// Starts the program at a Windows path (translated for this system as every
// other path is) in a window of the given style (1: normal, with the focus).
// False when it could not be started; nothing else is started in its place.
bool StartProgram(const std::string& windowsPath, int windowStyle);

} // namespace ovcache
