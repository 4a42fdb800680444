#pragma once
// The one place where a Windows path string (Windows-1252, backslashes, maybe a
// drive letter) becomes a path this operating system can open.
#include <string>
#include <string_view>

#ifndef _WIN32
#include <ctime>
#include <functional>
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
    // Lets the tables be searched with a string_view, without a copy.
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>()(text); }
    };
    template <typename Value> using Table = std::unordered_map<std::string, Value, Hash, std::equal_to<>>;

public:
    // Inside the Wine prefix of the moment it is made.
    PathResolver();
    std::string Resolve(std::string_view windowsPath);
    void Added(const std::string& nativePath);
    void Removed(const std::string& nativePath);

private:
    struct Listing {
        timespec mtime{};
        bool ours = false;                                            // changed by the program since mtime was read
        std::unordered_set<std::string, Hash, std::equal_to<>> exact; // names as they are (UTF-8)
        // folded Windows-1252 -> names; made when a name is first not found
        // as it is, since most lookups find it so
        bool hasFolded = false;
        std::unordered_multimap<std::string, std::string_view, Hash, std::equal_to<>> folded; // -> a name in exact
    };
    // The folder's names, read again when it changed; null when it is no folder.
    Listing* ListingOf(const std::string& nativeDir);
    std::string Lookup(Listing* listing, std::string_view nameCp1252);
    // The folded form of a name, in a buffer reused from call to call.
    const std::string& Folded(std::string_view name, bool utf8);
    Listing* KnownListing(std::string_view nativePath, std::string_view& name);

    std::string ResolveWhole(std::string_view windowsPath);

    std::string prefix_;
    std::string folded_;
    Table<Listing> listings_;
    Table<std::string> folders_; // Windows folder, as given -> native folder
};

#endif

} // namespace ovcache
