#pragma once
// The program's text is Windows-1252; Qt's is Unicode. These convert for
// display and back.
#include <QString>
#include <string>

namespace ovcache {

QString FromCp1252(const std::string& text);
std::string ToCp1252(const QString& text);

} // namespace ovcache
