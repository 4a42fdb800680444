#include "platform/gameSearch.h"

#include "platform/translatable.h"

#include "platform/codePage.h"
#include "platform/modRegistry.h"
#include "platform/registry.h"

#include <windows.h>

namespace ovcache {
namespace {

DWORD AttributesOf(const std::string& path)
{
    const std::u16string wide = Utf8ToUtf16(path);
    return GetFileAttributesW(reinterpret_cast<const wchar_t*>(wide.c_str()));
}

bool IsFolder(const std::string& path)
{
    const DWORD attributes = AttributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

} // namespace

bool HoldsGame(const GamePrefix& game)
{
    return IsFolder(game.gameFolder + "\\System") || IsFolder(game.gameFolder + "\\Cache");
}

NamedGame GameAt(const std::string& folder, NamedFolder kind, const std::string& /*key*/, const std::string& /*value*/)
{
    const DWORD attributes = folder.empty() ? INVALID_FILE_ATTRIBUTES : AttributesOf(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return {std::nullopt, N_("does not exist")};
    // The game's folder is worked on where it is named, not through a link
    // or junction that could lead anywhere.
    if (kind == NamedFolder::Game && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return {std::nullopt, N_("is a link; name the folder it leads to")};
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return {std::nullopt, N_("is not a folder")};
    GamePrefix game{{}, folder, "chosen"};
    if (!HoldsGame(game))
        return {std::nullopt, N_("is not the game's folder (it has no System or Cache folder)")};
    return {std::move(game), {}};
}

PrefixSearch SearchForGame(const std::string& key, const std::string& value)
{
    PrefixSearch search;
    const std::string installed = ReadRegString(kHKeyLocalMachine, key, value, "");
    const std::string where = "HKEY_LOCAL_MACHINE\\" + key + ", " + value;
    if (installed.empty()) {
        search.looked.push_back(
            {N_("The game's install value in the registry ({folder}): not set"), {{"folder", where}}});
        return search;
    }
    search.looked.push_back(
        {N_("The game's install value in the registry ({folder}): {list}"), {{"folder", where}, {"list", installed}}});
    search.found.push_back({{}, installed, "registry"});
    return search;
}

} // namespace ovcache
