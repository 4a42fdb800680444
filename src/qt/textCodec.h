#pragma once
// The program's text is Windows-1252; Qt's is Unicode. These convert for
// display and back.
#include <QString>
#include <string>
#include <string_view>

namespace ovcache {

QString FromCp1252(std::string_view text);
std::string ToCp1252(const QString& text);

} // namespace ovcache
