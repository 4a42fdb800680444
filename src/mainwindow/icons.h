#pragma once
#include <QIcon>
#include <QPixmap>

namespace ovcache {

// The program's 32x32, 16-colour picture: a folded map over a cache box.
QPixmap AppPixmap();
QIcon AppIcon();

} // namespace ovcache
