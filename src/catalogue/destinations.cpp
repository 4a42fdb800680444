#include "catalogue/destinations.h"

#include "catalogue/cacheIndex.h"

namespace ovcache {
namespace {

// Rows after the map row, tried in order; endings compared exactly.
EntryKind PackageKind(std::string_view line)
{
    if (EndsWith(line, ".u"))
        return EntryKind::CodePackage;
    if (EndsWith(line, ".ogg"))
        return EntryKind::Music;
    if (EndsWith(line, ".uax"))
        return EntryKind::SoundPackage;
    return EntryKind::Other;
}

} // namespace

EntryKind ClassifyForMove(const IndexEntry& entry, std::string_view selected)
{
    if (entry.HasEq() && NameIs(entry.Text(), selected))
        return EntryKind::Map;
    // a map of Move All's that is not the one selected stays
    return entry.Kind() == EntryKind::Map ? EntryKind::Other : entry.Kind();
}

EntryKind ClassifyForMoveAll(std::string_view line)
{
    if (EndsWith(line, "kmx"))
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
