#pragma once
// Index names arrive with content downloaded from game servers and are not to
// be trusted: a name that could point anywhere but at one file inside its own
// folder is never used to move or delete anything.
#include <string_view>

namespace ovcache {

// True for a plain file name (UTF-8) that Windows would keep inside its
// folder: well-formed, not empty, "." or "..", at most 255 UTF-16 units, none of \ / : * ? " < > | or
// control characters, no trailing dot or space, and not a device name such as
// CON, CONIN$ or LPT1.txt.
bool IsSafeFileName(std::string_view name);

// The same for a key or a name as the index has it, in the code page.
bool IsSafeIndexName(std::string_view text);

} // namespace ovcache
