#pragma once
// The program's text is in the ANSI code page; Qt's is Unicode. These convert for
// display and back.
#include <QString>
#include <string>
#include <string_view>

namespace ovcache {

QString FromAnsi(std::string_view text);
std::string ToAnsi(const QString& text);

} // namespace ovcache
