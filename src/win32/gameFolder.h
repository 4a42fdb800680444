#pragma once
// The game's folder as the Windows player shows it: the system's folder
// dialog, and the choice remembered per user in the registry.
#include <optional>
#include <string>

namespace ovcache::win32 {

// The folder dialog (IFileOpenDialog, folders only); the folder in UTF-8, or
// nothing when the player cancels it.
std::optional<std::string> PickFolder(const std::string& title);

// HKEY_CURRENT_USER\Software\Orvane Cache Importer, value "GameFolder".
std::string RememberedFolder();
void RememberFolder(const std::string& folder);

} // namespace ovcache::win32
