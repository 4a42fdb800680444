#include "qt/textCodec.h"

#include "platform/codePage.h"

namespace ovcache {

QString FromAnsi(std::string_view text)
{
    return QString::fromStdString(AnsiToUtf8(text));
}

std::string ToAnsi(const QString& text)
{
    return Utf8ToAnsi(text.toStdString());
}

} // namespace ovcache
