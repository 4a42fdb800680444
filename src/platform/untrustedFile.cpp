#include "platform/untrustedFile.h"

#include <fstream>
#include <sstream>

namespace ovcache {

std::optional<std::string> ReadRegularFile(const std::filesystem::path& file, std::uintmax_t limit)
{
    // Only a regular file of a sane size: a pipe would hang the reader and a
    // link to a device would be read until memory runs out.
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error) || std::filesystem::file_size(file, error) > limit || error)
        return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace ovcache
