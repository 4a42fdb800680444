#include "qt/form.h"

#include <QFontMetrics>

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

} // namespace ovcache
