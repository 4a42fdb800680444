#pragma once
// The program's text is UTF-8; Qt's is UTF-16. These convert for display and
// back.
#include <QString>
#include <string>
#include <string_view>

namespace ovcache {

QString FromUtf8(std::string_view text);
std::string ToUtf8(const QString& text);

} // namespace ovcache
