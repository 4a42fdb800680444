#pragma once
// What must hold for any index text, registry file or launcher file, whatever bytes
// they hold. Used by the fuzzers and by the tests that replay their findings.
#include <string>
#include <string_view>

namespace ovcache::fuzz {

// Each returns "" when everything held, or what did not.
std::string CheckIndexText(std::string_view data);
std::string CheckRegistryText(std::string_view data);
// The launchers' files the Linux program reads: Steam's libraryfolders.vdf,
// Heroic's JSON and Lutris's YAML.
std::string CheckLauncherText(std::string_view data);

} // namespace ovcache::fuzz
