#include "qt/textCodec.h"

#include "platform/codePage.h"

namespace ovcache {

QString FromCp1252(std::string_view text)
{
    return QString::fromStdString(Cp1252ToUtf8(text));
}

std::string ToCp1252(const QString& text)
{
    return Utf8ToCp1252(text.toStdString());
}

} // namespace ovcache
