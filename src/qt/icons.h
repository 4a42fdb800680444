#pragma once
#include <QIcon>
#include <QPixmap>

namespace ovcache {

// The program's desktop id: its desktop entry, AppStream component and icon.
inline constexpr const char* kAppId = "org.orvane.CacheImporter";

// The program's picture, drawn from data/icons/org.orvane.CacheImporter.svg:
// a folded map leaving a cache box.
QPixmap AppPixmap();
QIcon AppIcon();

} // namespace ovcache
