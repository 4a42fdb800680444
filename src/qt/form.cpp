#include "qt/form.h"

#include <memory>

#include <QCoreApplication>
#include <QFontMetrics>
#include <QLibraryInfo>
#include <QPainter>
#include <QTranslator>

namespace ovcache {

QFont WindowFont()
{
    QFont font;
    font.setFamilies({"Tahoma", "Liberation Sans", "Arial", "DejaVu Sans"});
    // The largest size up to 11 pixels at which the captions fit.
    for (int size = 11; size >= 8; --size) {
        font.setPixelSize(size);
        const QFontMetrics metrics(font);
        if (forms::CaptionsFit(forms::kMainForm, 96,
                               [&](std::string_view caption) { return metrics.horizontalAdvance(FromUtf8(caption)); }))
            break;
    }
    return font;
}

bool UseQtTranslations(const std::string& language)
{
    static QTranslator* installed = nullptr;
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
        installed = nullptr;
    }
    auto translator = std::make_unique<QTranslator>();
    if (language.empty() || !translator->load("qtbase_" + QString::fromStdString(language),
                                              QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    installed = translator.release();
    return QCoreApplication::installTranslator(installed);
}

int FormFrame::BorderTop() const
{
    return QFontMetrics(font()).height() / 2;
}

void FormFrame::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    const QPalette& colours = palette();
    // An etched line: a dark one with a light one inside it.
    const QRect border = rect().adjusted(0, BorderTop(), -2, -2);
    painter.setPen(colours.color(QPalette::Mid));
    painter.drawRect(border);
    painter.setPen(colours.color(QPalette::Light));
    painter.drawRect(border.translated(1, 1));
    if (title().isEmpty())
        return;
    // The title over the line, on the window's colour, as the forms have it.
    const QFontMetrics metrics(font());
    const QRect place(Twips(60), 0, metrics.horizontalAdvance(title()) + Twips(60), metrics.height());
    painter.fillRect(place, colours.window());
    painter.setPen(colours.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(place, Qt::AlignCenter | Qt::TextShowMnemonic, title());
}

} // namespace ovcache
