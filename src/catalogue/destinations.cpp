#include "catalogue/destinations.h"

namespace ovcache {
namespace {

// Rows after the map row, tried in order; endings compared exactly.
EntryKind PackageKind(std::string_view line)
{
    if (line.ends_with(".u"))
        return EntryKind::CodePackage;
    if (line.ends_with(".ogg"))
        return EntryKind::Music;
    if (line.ends_with(".uax"))
        return EntryKind::SoundPackage;
    return EntryKind::Other;
}

} // namespace

EntryKind ClassifyForMove(bool namesSelected, EntryKind kindForMoveAll)
{
    if (namesSelected)
        return EntryKind::Map;
    return kindForMoveAll == EntryKind::Map ? EntryKind::Other : kindForMoveAll;
}

EntryKind ClassifyForMoveAll(std::string_view line)
{
    if (line.ends_with("kmx"))
        return EntryKind::Map;
    return PackageKind(line);
}

std::string_view DestinationFolder(EntryKind kind)
{
    switch (kind) {
    case EntryKind::Map:
        return "Maps";
    case EntryKind::CodePackage:
        return "System";
    case EntryKind::Music:
        return "Music";
    case EntryKind::SoundPackage:
        return "Sounds";
    case EntryKind::Other:
        break;
    }
    return {};
}

std::string DestinationPath(const std::string& gameFolder, EntryKind kind, std::string_view name)
{
    std::string path = gameFolder;
    path += '\\';
    path += DestinationFolder(kind);
    path += '\\';
    path += name;
    return path;
}

} // namespace ovcache
