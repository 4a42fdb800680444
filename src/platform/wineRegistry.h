#pragma once
// A Wine registry file (system.reg for HKEY_LOCAL_MACHINE, user.reg for
// HKEY_CURRENT_USER), read for lookups.
#include "platform/registry.h"

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace ovcache {

class WineRegistry {
public:
    // Nothing when the text does not start with "WINE REGISTRY Version 2".
    static std::optional<WineRegistry> Parse(std::string_view text);

    // Key path and value name in the ANSI code page, compared without regard to case;
    // "" names a key's default value. String data comes back as Wine keeps it,
    // UTF-16LE. In a 64-bit prefix a path under "Software" is looked up below
    // "Software\Wow6432Node" first, where a 32-bit program's keys live.
    std::optional<RegValue> Find(std::string_view keyPath, std::string_view valueName) const;

    // The same lookup in a file, read line by line only as far as the value
    // (and at most a bound far beyond any prefix's registry), holding none
    // of the rest.
    static std::optional<RegValue> FindInFile(const std::filesystem::path& file, std::string_view keyPath,
                                              std::string_view valueName);

private:
    using Values = std::map<std::u16string, RegValue>;
    std::map<std::u16string, Values> keys_;
    bool win64_ = true; // without an #arch line, trying Wow6432Node first is harmless
};

// A value as QueryRegValue hands it out: string types converted from
// UTF-16LE to UTF-8, everything else as stored.
RegValue ToUtf8Form(const RegValue& stored);

} // namespace ovcache
