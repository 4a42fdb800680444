#include "platform/gameSearch.h"

#include "platform/translatable.h"

#include "platform/prefixSearch.h"

#include <cctype>

namespace ovcache {

namespace fs = std::filesystem;

namespace {

// The entry of a folder by its name, or else without regard to case as
// Windows finds it (letters of ASCII: enough to tell whether the game is
// there); empty when there is none.
fs::path Child(const fs::path& folder, const std::string& name)
{
    std::error_code error;
    if (fs::exists(folder / name, error))
        return folder / name;
    const auto folded = [](std::string text) {
        for (char& c : text)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return text;
    };
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (folded(it->path().filename().string()) == folded(name))
            return it->path();
    return {};
}

} // namespace

bool HoldsGame(const GamePrefix& game)
{
    const std::string& folder = game.gameFolder;
    if (folder.size() < 2 || folder[1] != ':' || !std::isalpha(static_cast<unsigned char>(folder[0])))
        return false;
    fs::path place = game.prefix / "dosdevices" /
                     (std::string(1, static_cast<char>(std::tolower(static_cast<unsigned char>(folder[0])))) + ":");
    std::size_t start = 2;
    while (start <= folder.size() && !place.empty()) {
        const std::size_t end = std::min(folder.find_first_of("\\/", start), folder.size());
        const std::string part = folder.substr(start, end - start);
        if (part == "..")
            return false;
        if (!part.empty() && part != ".")
            place = Child(place, part);
        start = end + 1;
    }
    return !place.empty() && HasGameFolders(place);
}

bool HasGameFolders(const fs::path& folder)
{
    std::error_code error;
    for (const char* inside : {"System", "Cache"})
        if (const fs::path found = Child(folder, inside); !found.empty() && fs::is_directory(found, error))
            return true;
    return false;
}

PrefixSearch SearchForGame(const std::string& key, const std::string& value)
{
    return FindGamePrefixes(key, value, PrefixEnvironment::Current());
}

NamedGame GameAt(const std::string& folder, NamedFolder kind, const std::string& key, const std::string& value)
{
    std::error_code error;
    const fs::file_status status = fs::symlink_status(folder, error);
    if (folder.empty() || error || !fs::exists(status))
        return {std::nullopt, N_("does not exist")};
    // The game's folder is worked on where it is named, not through a link
    // that could lead anywhere.
    if (kind == NamedFolder::Game && fs::is_symlink(status))
        return {std::nullopt, N_("is a link; name the folder it leads to")};
    if (!fs::is_directory(fs::status(folder, error)))
        return {std::nullopt, N_("is not a folder")};
    if (auto game = GameInFolder(folder, kind, key, value))
        return {std::move(game), {}};
    return {std::nullopt, kind == NamedFolder::Game
                              ? N_("is not the game's folder (it has no System or Cache folder)")
                              : N_("holds neither the game nor a Wine prefix where it is installed")};
}

} // namespace ovcache
