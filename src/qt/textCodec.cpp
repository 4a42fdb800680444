#include "qt/textCodec.h"

namespace ovcache {

QString FromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToUtf8(const QString& text)
{
    return text.toStdString();
}

} // namespace ovcache
