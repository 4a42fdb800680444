#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace ovcache {

// A file the program was told of but does not trust (a prefix's registry, a
// launcher's settings): its text when it is a regular file of at most limit
// bytes, nothing otherwise.
std::optional<std::string> ReadRegularFile(const std::filesystem::path& file, std::uintmax_t limit);

} // namespace ovcache
