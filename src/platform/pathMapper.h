#pragma once
// The one place where a Windows path string (Windows-1252, backslashes, maybe a
// drive letter) becomes a path this operating system can open.
#include <string>
#include <string_view>

#ifndef _WIN32
#include <ctime>
#include <unordered_map>
#include <unordered_set>
#endif

namespace ovcache {

// On Windows the path is returned as it is. Elsewhere it is resolved the way
// Wine resolves it inside the current prefix: "X:" goes through the prefix's
// dosdevices/x: link, a path without a drive is rooted at "/", "\" and "/"
// both separate, empty and "." components vanish, ".." goes up, and each
// component is found by its exact name first and otherwise without regard to
// case. The result is a UTF-8 path.
std::string ToNativePath(std::string_view windowsPath);

#ifndef _WIN32

// Resolves paths as ToNativePath does, remembering the names in each folder
// it has looked into, so that finding a name without regard to case does not
// read the folder again while it is unchanged. Changes the program makes
// itself are told to it; others show in the folder's modification time.
class PathResolver {
public:
    // Inside the Wine prefix of the moment it is made.
    PathResolver();
    std::string Resolve(std::string_view windowsPath);
    void Added(const std::string& nativePath);
    void Removed(const std::string& nativePath);

private:
    struct Listing {
        timespec mtime{};
        bool ours = false; // changed by the program since mtime was read
        std::unordered_set<std::string> exact;                // names as they are (UTF-8)
        std::unordered_multimap<std::string, std::string> folded; // folded Windows-1252 -> names
    };
    // The folder's names, read again when it changed; null when it is no folder.
    Listing* ListingOf(const std::string& nativeDir);
    static std::string Lookup(const Listing* listing, const std::string& nameCp1252);

    std::string ResolveWhole(std::string_view windowsPath);

    std::string prefix_;
    std::unordered_map<std::string, Listing> listings_;
    std::unordered_map<std::string, std::string> folders_; // Windows folder, as given -> native folder
};

#endif

} // namespace ovcache
