#include "mainwindow/icons.h"

namespace ovcache {

QPixmap AppPixmap()
{
    return QPixmap(":/icons/32.png");
}

QIcon AppIcon()
{
    // The installed theme's icon when there is one, else the one built in.
    QIcon embedded;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        embedded.addFile(QString(":/icons/%1.png").arg(size), QSize(size, size));
    return QIcon::fromTheme(kAppId, embedded);
}

} // namespace ovcache
