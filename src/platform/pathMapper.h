#pragma once
// The one place where a Windows path string (UTF-8, backslashes, maybe a drive
// letter) becomes a path this operating system can open.
#include <string>
#include <string_view>

namespace ovcache {

// On Windows the path is returned as it is. Elsewhere it is resolved the way
// Wine resolves it inside the current prefix: "X:" goes through the prefix's
// dosdevices/x: link, a path without a drive is rooted at "/", "\" and "/"
// both separate, empty and "." components vanish, ".." goes up, and each
// component is found by its exact name first and otherwise without regard to
// case. The result is a UTF-8 path.
std::string ToNativePath(std::string_view windowsPath);

} // namespace ovcache
