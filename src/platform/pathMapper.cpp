#include "platform/pathMapper.h"

#ifndef _WIN32
#include "platform/codePage.h"
#include "platform/winePrefix.h"

#include <cctype>
#include <dirent.h>
#include <sys/stat.h>
#include <vector>
#endif

namespace ovcache {

#ifdef _WIN32

std::string ToNativePath(std::string_view windowsPath)
{
    return std::string(windowsPath);
}

#else

namespace {

struct SplitPath {
    std::string root;               // native: "/" or the drive's dosdevices link
    std::vector<std::string> parts; // Windows-1252 components, "." and ".." resolved
};

SplitPath Split(std::string_view path, const std::string& prefix)
{
    SplitPath split{"/", {}};
    if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]))) {
        const char drive = static_cast<char>(std::tolower(static_cast<unsigned char>(path[0])));
        split.root = prefix + "/dosdevices/" + drive + ":";
        path.remove_prefix(2);
    }
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find_first_of("\\/", start);
        if (end == std::string_view::npos)
            end = path.size();
        const std::string_view part = path.substr(start, end - start);
        if (part == "..") {
            if (!split.parts.empty())
                split.parts.pop_back();
        } else if (!part.empty() && part != ".") {
            split.parts.emplace_back(part);
        }
        start = end + 1;
    }
    return split;
}

std::string Join(const std::string& dir, const std::string& name)
{
    return dir.back() == '/' ? dir + name : dir + "/" + name;
}

} // namespace

std::string ToNativePath(std::string_view windowsPath)
{
    return PathResolver().Resolve(windowsPath);
}

PathResolver::PathResolver() : prefix_(WinePrefix().string()) {}

PathResolver::Listing* PathResolver::ListingOf(const std::string& nativeDir)
{
    struct stat st {};
    if (::stat(nativeDir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        listings_.erase(nativeDir);
        return nullptr;
    }
    auto [it, added] = listings_.try_emplace(nativeDir);
    Listing& listing = it->second;
    // The program's own changes are in the listing already; a new time that
    // they explain needs no second reading.
    if (!added &&
        (listing.ours || (listing.mtime.tv_sec == st.st_mtim.tv_sec && listing.mtime.tv_nsec == st.st_mtim.tv_nsec))) {
        listing.mtime = st.st_mtim;
        listing.ours = false;
        return &listing;
    }
    listing.ours = false;
    listing.exact.clear();
    listing.folded.clear();
    listing.hasFolded = false;
    listing.mtime = st.st_mtim;
    if (DIR* dir = ::opendir(nativeDir.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name == "." || name == "..")
                continue;
            listing.exact.insert(name);
        }
        ::closedir(dir);
    }
    return &listing;
}

const std::string& PathResolver::Folded(std::string_view name, bool utf8)
{
    if (utf8 && !IsAscii(name))
        folded_ = Utf8ToCp1252(name);
    else
        folded_.assign(name);
    FoldCaseCp1252InPlace(folded_);
    return folded_;
}

std::string PathResolver::Lookup(Listing* listing, std::string_view nameCp1252)
{
    if (IsAscii(nameCp1252) && (!listing || listing->exact.find(nameCp1252) != listing->exact.end()))
        return std::string(nameCp1252);
    std::string exact = Cp1252ToUtf8(nameCp1252);
    if (!listing || listing->exact.count(exact))
        return exact;
    if (!listing->hasFolded) {
        for (const std::string& name : listing->exact)
            listing->folded.emplace(Folded(name, true), name);
        listing->hasFolded = true;
    }
    const auto found = listing->folded.find(Folded(nameCp1252, false));
    return found == listing->folded.end() ? exact : std::string(found->second);
}

std::string PathResolver::Resolve(std::string_view windowsPath)
{
    // Most paths name a file in a folder met before: that folder's native
    // path comes from memory, checked by the one look at it that the
    // listing needs anyway.
    const std::size_t cut = windowsPath.find_last_of("\\/");
    if (cut != std::string_view::npos) {
        const std::string_view name = windowsPath.substr(cut + 1);
        if (!name.empty() && name != "." && name != "..") {
            const auto known = folders_.find(windowsPath.substr(0, cut));
            if (known != folders_.end()) {
                if (Listing* listing = ListingOf(known->second))
                    return Join(known->second, Lookup(listing, name));
                folders_.erase(known);
            }
        }
    }
    return ResolveWhole(windowsPath);
}

std::string PathResolver::ResolveWhole(std::string_view windowsPath)
{
    const SplitPath split = Split(windowsPath, prefix_);
    if (split.parts.empty())
        return split.root;

    std::string folder = split.root;
    Listing* listing = ListingOf(folder);
    for (std::size_t k = 0; k + 1 < split.parts.size(); ++k) {
        folder = Join(folder, Lookup(listing, split.parts[k]));
        // below a missing folder nothing can be found
        listing = listing ? ListingOf(folder) : nullptr;
    }
    const std::size_t cut = windowsPath.find_last_of("\\/");
    if (listing && cut != std::string_view::npos)
        folders_[std::string(windowsPath.substr(0, cut))] = folder;
    return Join(folder, Lookup(listing, split.parts.back()));
}

PathResolver::Listing* PathResolver::KnownListing(std::string_view nativePath, std::string_view& name)
{
    const std::size_t cut = nativePath.find_last_of('/');
    if (cut == std::string_view::npos)
        return nullptr;
    name = nativePath.substr(cut + 1);
    const auto it = listings_.find(cut == 0 ? std::string_view("/") : nativePath.substr(0, cut));
    return it == listings_.end() ? nullptr : &it->second;
}

void PathResolver::Added(const std::string& nativePath)
{
    std::string_view name;
    Listing* listing = KnownListing(nativePath, name);
    if (!listing)
        return;
    const auto [added, isNew] = listing->exact.emplace(name);
    if (isNew && listing->hasFolded)
        listing->folded.emplace(Folded(name, true), *added);
    listing->ours = true;
}

void PathResolver::Removed(const std::string& nativePath)
{
    std::string_view name;
    Listing* listing = KnownListing(nativePath, name);
    if (!listing)
        return;
    const auto exact = listing->exact.find(name);
    if (exact == listing->exact.end())
        return;
    if (listing->hasFolded) { // before the name it points at goes
        auto [first, last] = listing->folded.equal_range(Folded(name, true));
        for (; first != last; ++first)
            if (first->second == name) {
                listing->folded.erase(first);
                break;
            }
    }
    listing->exact.erase(exact);
    listing->ours = true;
}

#endif

} // namespace ovcache
