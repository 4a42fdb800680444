#include "qt/settings.h"

#include "words/words.h"

#include <QStandardPaths>
#include <filesystem>
#include <system_error>

namespace ovcache {

bool SettingsReadable()
{
    // Where QSettings keeps an organisation's and a program's INI file.
    const std::filesystem::path file =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation).toStdString() + "/" +
        "orvane-cache-importer/" + kProgramTitle + ".conf";
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(file, error);
    if (status.type() == std::filesystem::file_type::not_found)
        return true;
    return !error && status.type() == std::filesystem::file_type::regular &&
           std::filesystem::file_size(file, error) <= (1u << 20) && !error;
}

} // namespace ovcache
