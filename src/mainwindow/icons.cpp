#include "mainwindow/icons.h"

#include <QImage>
#include <QPainter>

namespace ovcache {

QPixmap AppPixmap()
{
    // Drawn in the classic 16-colour palette, without smoothing, so it stays
    // crisp at 32x32.
    const QColor navy(0, 0, 128), teal(0, 128, 128), white(255, 255, 255), silver(192, 192, 192), grey(128, 128, 128),
        green(0, 128, 0), lime(0, 255, 0), black(0, 0, 0), yellow(255, 255, 0);
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);

    // The cache: a box in teal with a darker lid.
    p.fillRect(3, 16, 26, 14, teal);
    p.fillRect(3, 14, 26, 3, navy);
    p.setPen(black);
    p.drawRect(3, 14, 25, 15);
    p.fillRect(13, 20, 6, 3, silver);
    p.setPen(grey);
    p.drawRect(13, 20, 5, 2);

    // The map: a sheet folded in three panels, with a route on it.
    const QPoint sheet[] = {{7, 2}, {13, 4}, {19, 2}, {25, 4}, {25, 17}, {19, 15}, {13, 17}, {7, 15}};
    p.setBrush(white);
    p.setPen(black);
    p.drawPolygon(sheet, 8);
    p.setPen(silver);
    p.drawLine(13, 5, 13, 16);
    p.drawLine(19, 3, 19, 14);
    p.setPen(green);
    p.drawLine(9, 12, 12, 8);
    p.drawLine(12, 8, 16, 10);
    p.drawLine(16, 10, 21, 6);
    p.fillRect(21, 5, 2, 2, yellow);
    p.setPen(lime);
    p.drawPoint(9, 12);

    // An arrow out of the box: the map leaves the cache.
    p.setPen(Qt::NoPen);
    p.setBrush(yellow);
    const QPoint arrow[] = {{26, 18}, {31, 23}, {26, 28}, {26, 25}, {22, 25}, {22, 21}, {26, 21}};
    p.drawPolygon(arrow, 7);
    p.setPen(black);
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(arrow, 7);
    p.end();
    return QPixmap::fromImage(image);
}

QIcon AppIcon()
{
    return {AppPixmap()};
}

} // namespace ovcache
