#include "qt/icons.h"

// The icons are compiled into the window library; a static library's
// resources are registered by hand.
static void RegisterIcons()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    (void)registered;
}

namespace ovcache {

QPixmap AppPixmap()
{
    RegisterIcons();
    return {":/icons/32.png"};
}

QIcon AppIcon()
{
    // The installed theme's icon when there is one, else the one built in.
    RegisterIcons();
    QIcon embedded;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        embedded.addFile(QString(":/icons/%1.png").arg(size), QSize(size, size));
    return QIcon::fromTheme(kAppId, embedded);
}

} // namespace ovcache
