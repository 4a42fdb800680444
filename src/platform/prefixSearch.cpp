#include "platform/prefixSearch.h"

#include "platform/translatable.h"

#include "platform/untrustedFile.h"

#include "platform/codePage.h"

#include "platform/wineRegistry.h"
#include <nlohmann/json.hpp>
#include <yaml-cpp/yaml.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <set>
#include <stdexcept>

namespace ovcache {
namespace {

namespace fs = std::filesystem;

constexpr std::uintmax_t kMaxConfigFile = 1u << 20; // a real one is a few kilobytes
// Deeper than the launchers' own files ever nest, which is never followed.
constexpr std::size_t kDeepestIndent = 64, kMostBrackets = 4096, kDeepestJson = 16;

// The folders directly in a folder, in name order; none when it cannot be read.
std::vector<fs::path> Folders(const fs::path& parent)
{
    std::vector<fs::path> folders;
    std::error_code error;
    for (fs::directory_iterator it(parent, error), end; !error && it != end; it.increment(error))
        if (it->is_directory(error))
            folders.push_back(it->path());
    std::sort(folders.begin(), folders.end());
    return folders;
}

// The files of one extension directly in a folder, in name order.
std::vector<fs::path> Files(const fs::path& parent, const std::string& extension)
{
    std::vector<fs::path> files;
    std::error_code error;
    for (fs::directory_iterator it(parent, error), end; !error && it != end; it.increment(error))
        if (it->path().extension() == extension)
            files.push_back(it->path());
    std::sort(files.begin(), files.end());
    return files;
}

fs::path ExpandHome(std::string path, const fs::path& home)
{
    if (path == "~" || path.starts_with("~/"))
        return home / path.substr(std::min<std::size_t>(path.size(), 2));
    return path;
}

// The game's install folder in a prefix's own registry, if it is there.
std::optional<std::string> GameFolderIn(const fs::path& prefix, const std::string& key, const std::string& value)
{
    std::error_code error;
    if (!fs::is_directory(prefix / "dosdevices", error))
        return std::nullopt;
    const auto found = WineRegistry::FindInFile(prefix / "system.reg", key, value);
    if (!found || found->type != kRegSz)
        return std::nullopt;
    // Wine keeps strings in UTF-16LE; the prefix's own code page is not known
    // yet, so the folder is carried in UTF-8.
    std::u16string text;
    for (std::size_t k = 0; k + 1 < found->data.size(); k += 2)
        text += static_cast<char16_t>(found->data[k] | (found->data[k + 1] << 8));
    return Utf16ToUtf8(text.substr(0, text.find(u'\0')));
}

class Search {
public:
    Search(const std::string& key, const std::string& value, std::chrono::milliseconds budget)
        : key_(key), value_(value), deadline_(std::chrono::steady_clock::now() + budget)
    {
    }

    // A place looked in: its words, and the folder or file that goes in them.
    void Place(const char* words, std::string folder, std::string list = {})
    {
        LookedIn place{words, {{"folder", std::move(folder)}}};
        if (!list.empty())
            place.values.emplace_back("list", std::move(list));
        result_.looked.push_back(std::move(place));
    }

    // A candidate prefix; "pfx" inside it is the prefix when it has one.
    void Try(fs::path prefix, const std::string& source)
    {
        std::error_code error;
        if (fs::is_directory(prefix / "pfx", error))
            prefix /= "pfx";
        const fs::path canonical = fs::weakly_canonical(prefix, error);
        if (!seen_.insert(error ? prefix : canonical).second)
            return;
        if (std::chrono::steady_clock::now() >= deadline_) {
            result_.skipped.push_back(prefix.string());
            return;
        }
        if (auto folder = GameFolderIn(prefix, key_, value_))
            result_.found.push_back({prefix, std::move(*folder), source});
    }

    // A launcher's file, read only when it is a regular file of a sane size
    // and there is time left; a file left unread is said.
    std::optional<std::string> ReadConfig(const fs::path& file)
    {
        if (std::chrono::steady_clock::now() >= deadline_) {
            result_.skipped.push_back(file.string());
            return std::nullopt;
        }
        return ReadRegularFile(file, kMaxConfigFile);
    }

    PrefixSearch Result() { return std::move(result_); }

private:
    const std::string& key_;
    const std::string& value_;
    std::chrono::steady_clock::time_point deadline_;
    std::set<fs::path> seen_;
    PrefixSearch result_;
};

void SearchSteam(Search& search, const PrefixEnvironment& env)
{
    // Where Steam keeps itself: its own links, the data folder, Flatpak's
    // Steam (both layouts) and Snap's.
    const fs::path roots[] = {env.home / ".steam" / "steam",
                              env.home / ".steam" / "root",
                              env.dataHome / "Steam",
                              env.home / ".var/app/com.valvesoftware.Steam/.local/share/Steam",
                              env.home / ".var/app/com.valvesoftware.Steam/data/Steam",
                              env.home / "snap/steam/common/.local/share/Steam"};
    // Each library once, however many roots and lines name it.
    std::set<fs::path> seen;
    for (const fs::path& root : roots) {
        search.Place(N_("Steam: {folder} and the libraries of {list}"), (root / "steamapps/compatdata").string(),
                     (root / "steamapps/libraryfolders.vdf").string());
        std::vector<fs::path> libraries{root};
        if (const auto vdf = search.ReadConfig(root / "steamapps" / "libraryfolders.vdf"))
            if (const auto paths = SteamLibraryPaths(*vdf))
                libraries.insert(libraries.end(), paths->begin(), paths->end());
        for (const fs::path& library : libraries) {
            std::error_code error;
            const fs::path real = fs::weakly_canonical(library, error);
            if (!seen.insert(error ? library : real).second)
                continue;
            for (const fs::path& game : Folders(library / "steamapps" / "compatdata"))
                search.Try(game / "pfx", "Steam");
        }
    }
}

void SearchLutris(Search& search, const PrefixEnvironment& env)
{
    // Lutris's own folders, and those of Lutris from Flathub.
    for (const fs::path& games : {env.configHome / "lutris" / "games", env.dataHome / "lutris" / "games",
                                  env.home / ".var/app/net.lutris.Lutris/config/lutris/games",
                                  env.home / ".var/app/net.lutris.Lutris/data/lutris/games"}) {
        search.Place(N_("Lutris: the prefix of each game in {folder}"), games.string());
        for (const fs::path& file : Files(games, ".yml"))
            if (const auto text = search.ReadConfig(file))
                for (const std::string& prefix : LutrisPrefixes(*text))
                    search.Try(ExpandHome(prefix, env.home), "Lutris");
    }
    search.Place("Lutris: {folder}", (env.home / "Games").string() + "/*");
    for (const fs::path& prefix : Folders(env.home / "Games"))
        search.Try(prefix, "Lutris");
}

void SearchBottles(Search& search, const PrefixEnvironment& env)
{
    for (const fs::path& bottles :
         {env.dataHome / "bottles" / "bottles", env.home / ".var/app/com.usebottles.bottles/data/bottles/bottles"}) {
        search.Place("Bottles: {folder}", bottles.string() + "/*");
        for (const fs::path& prefix : Folders(bottles))
            search.Try(prefix, "Bottles");
    }
}

void SearchHeroic(Search& search, const PrefixEnvironment& env)
{
    // Heroic's own settings, and those of Heroic from Flathub.
    for (const fs::path& configs : {env.configHome / "heroic" / "GamesConfig",
                                    env.home / ".var/app/com.heroicgameslauncher.hgl/config/heroic/GamesConfig"}) {
        search.Place(N_("Heroic: the winePrefix of each game in {folder}"), configs.string());
        for (const fs::path& file : Files(configs, ".json"))
            if (const auto text = search.ReadConfig(file))
                for (const std::string& prefix : HeroicWinePrefixes(*text))
                    search.Try(ExpandHome(prefix, env.home), "Heroic");
    }
    const fs::path prefixes = env.home / "Games" / "Heroic" / "Prefixes";
    search.Place("Heroic: {folder}", prefixes.string() + "/*/*");
    for (const fs::path& group : Folders(prefixes)) {
        search.Try(group, "Heroic");
        for (const fs::path& prefix : Folders(group))
            search.Try(prefix, "Heroic");
    }
}

// Valve's KeyValues text: quoted or bare tokens, "{" and "}", "//" comments.
class KeyValuesReader {
public:
    explicit KeyValuesReader(std::string_view text) : text_(text) {}

    // The next token; "{" and "}" come as themselves, with braced() set.
    std::optional<std::string> Next(bool& brace)
    {
        for (;;) {
            while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_])))
                ++pos_;
            if (text_.substr(pos_, 2) != "//")
                break;
            pos_ = text_.find('\n', pos_);
            if (pos_ == std::string_view::npos)
                pos_ = text_.size();
        }
        if (pos_ >= text_.size())
            return std::nullopt;
        brace = text_[pos_] == '{' || text_[pos_] == '}';
        if (brace)
            return std::string(1, text_[pos_++]);
        std::string token;
        if (text_[pos_] == '"') {
            for (++pos_; pos_ < text_.size() && text_[pos_] != '"'; ++pos_) {
                char c = text_[pos_];
                if (c == '\\' && pos_ + 1 < text_.size()) {
                    c = text_[++pos_];
                    c = c == 'n' ? '\n' : c == 't' ? '\t' : c;
                }
                token += c;
            }
            if (pos_ >= text_.size())
                throw std::runtime_error("unterminated string");
            ++pos_;
            return token;
        }
        while (pos_ < text_.size() && !std::isspace(static_cast<unsigned char>(text_[pos_])) && text_[pos_] != '{' &&
               text_[pos_] != '}' && text_[pos_] != '"')
            token += text_[pos_++];
        return token;
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

constexpr std::size_t kDeepestBlock = 32;

// Reads "key value" and "key { ... }" pairs up to the closing brace, calling
// visit(path of keys, value) for every plain value.
void ReadBlock(KeyValuesReader& reader, std::vector<std::string>& keys, bool top,
               const std::function<void(const std::vector<std::string>&, const std::string&)>& visit)
{
    // Steam nests three deep; a file nested deeper is none of its.
    if (keys.size() > kDeepestBlock)
        throw std::runtime_error("nested too deep");
    bool brace = false;
    while (auto key = reader.Next(brace)) {
        if (brace) {
            if (*key == "}" && !top)
                return;
            throw std::runtime_error("unexpected brace");
        }
        auto value = reader.Next(brace);
        if (!value)
            throw std::runtime_error("key without a value");
        keys.push_back(*key);
        if (brace && *value == "{")
            ReadBlock(reader, keys, false, visit);
        else if (brace)
            throw std::runtime_error("unexpected brace");
        else
            visit(keys, *value);
        keys.pop_back();
    }
    if (!top)
        throw std::runtime_error("unclosed block");
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

std::optional<std::vector<std::string>> SteamLibraryPaths(std::string_view vdf)
{
    std::vector<std::string> paths;
    try {
        KeyValuesReader reader(vdf);
        std::vector<std::string> keys;
        ReadBlock(reader, keys, true, [&](const std::vector<std::string>& at, const std::string& value) {
            if (at.empty() || Lower(at.front()) != "libraryfolders")
                return;
            // New layout: "libraryfolders" { "0" { "path" "..." } }; old one:
            // "libraryfolders" { "1" "..." }.
            const bool numbered = at.size() == 2 && !at[1].empty() &&
                                  std::all_of(at[1].begin(), at[1].end(), [](char c) { return c >= '0' && c <= '9'; });
            if (numbered || (at.size() == 3 && Lower(at[2]) == "path"))
                paths.push_back(value);
        });
    } catch (const std::runtime_error&) {
        return std::nullopt;
    }
    return paths;
}

std::vector<std::string> LutrisPrefixes(std::string_view yaml)
{
    // yaml-cpp follows nesting down the stack: a file nested deeper than a
    // game file ever is, or full of brackets, is none of Lutris's.
    std::size_t brackets = 0;
    for (std::size_t start = 0; start < yaml.size();) {
        std::size_t end = yaml.find('\n', start);
        if (end == std::string_view::npos)
            end = yaml.size();
        const std::string_view line = yaml.substr(start, end - start);
        if (line.find_first_not_of(' ') > kDeepestIndent && line.find_first_not_of(' ') != std::string_view::npos)
            return {};
        brackets += static_cast<std::size_t>(std::count_if(
            line.begin(), line.end(), [](char c) { return c == '[' || c == '{' || c == '&' || c == '*' || c == '!'; }));
        start = end + 1;
    }
    if (brackets > kMostBrackets)
        return {};
    try {
        const YAML::Node game = YAML::Load(std::string(yaml))["game"];
        if (game.IsMap() && game["prefix"].IsScalar() && !game["prefix"].Scalar().empty())
            return {game["prefix"].Scalar()};
    } catch (const YAML::Exception&) {
    }
    return {};
}

std::vector<std::string> HeroicWinePrefixes(std::string_view json)
{
    // Each game's settings are an object of its own at the top level.
    const nlohmann::json::parser_callback_t shallow = [](int depth, nlohmann::json::parse_event_t, nlohmann::json&) {
        return depth <= static_cast<int>(kDeepestJson);
    };
    const nlohmann::json settings = nlohmann::json::parse(json, shallow, /*allow_exceptions=*/false);
    std::vector<std::string> prefixes;
    if (!settings.is_object())
        return prefixes;
    for (const auto& [name, game] : settings.items()) {
        if (!game.is_object())
            continue;
        const auto prefix = game.find("winePrefix");
        if (prefix != game.end() && prefix->is_string() && !prefix->get<std::string>().empty())
            prefixes.push_back(prefix->get<std::string>());
    }
    return prefixes;
}

// The Windows path by which a prefix reaches a folder (both as this system
// has them, links resolved): through the drive whose link leads to the
// folder or the nearest folder above it, drive C first among equals, as the
// prefix's programs reach it. "" when no drive of the prefix reaches it.
std::string WindowsPathIn(const fs::path& prefix, const fs::path& folder)
{
    std::error_code error;
    std::string best;
    std::size_t bestDepth = 0;
    for (fs::directory_iterator it(prefix / "dosdevices", error), end; !error && it != end; it.increment(error)) {
        const std::string drive = it->path().filename().string();
        if (drive.size() != 2 || drive[1] != ':' || !std::isalpha(static_cast<unsigned char>(drive[0])))
            continue;
        std::error_code followed;
        const fs::path target = fs::canonical(it->path(), followed);
        if (followed)
            continue;
        const fs::path rest = folder.lexically_relative(target);
        if (rest.empty() || *rest.begin() == "..")
            continue;
        const auto depth = static_cast<std::size_t>(std::distance(target.begin(), target.end()));
        if (!best.empty() && (depth < bestDepth || (depth == bestDepth && best[0] == 'C')))
            continue;
        std::string windows(1, static_cast<char>(std::toupper(static_cast<unsigned char>(drive[0]))));
        windows += ":";
        for (const fs::path& part : rest)
            if (part != ".")
                windows += "\\" + part.string();
        if (windows.size() == 2)
            windows += "\\";
        best = windows;
        bestDepth = depth;
    }
    return best;
}

// The folder a prefix's own drive C holds a Windows path on, when the path is
// on drive C: where the game the prefix's registry names is, inside it.
std::optional<fs::path> OnOwnDriveC(const fs::path& prefix, const std::string& windows)
{
    if (windows.size() < 2 || std::toupper(static_cast<unsigned char>(windows[0])) != 'C' || windows[1] != ':')
        return std::nullopt;
    fs::path folder = prefix / "drive_c";
    std::string part;
    for (const char c : windows.substr(2) + "\\") {
        if (c != '\\' && c != '/') {
            part += c;
            continue;
        }
        if (part == "..")
            return std::nullopt;
        if (!part.empty() && part != ".")
            folder /= part;
        part.clear();
    }
    return folder;
}

std::optional<GamePrefix> GameInFolder(const fs::path& folder, NamedFolder kind, const std::string& key,
                                       const std::string& value)
{
    std::error_code error;
    fs::path place = fs::weakly_canonical(folder, error);
    if (error || !fs::is_directory(place, error))
        return std::nullopt;
    if (kind == NamedFolder::GameOrPrefix) {
        if (fs::is_directory(place / "pfx", error))
            place /= "pfx";
        // A prefix: its registry says where the game is, on its own drive C
        // even when the prefix's link for C leads elsewhere (a copied
        // prefix whose link still leads back to the original).
        if (auto installed = GameFolderIn(place, key, value)) {
            std::error_code ownError, reachedError;
            if (const auto own = OnOwnDriveC(place, *installed)) {
                const fs::path ownDrive = fs::canonical(place / "drive_c", ownError);
                const fs::path reached = fs::canonical(place / "dosdevices" / "c:", reachedError);
                if (!ownError && !reachedError && reached != ownDrive) {
                    const std::string windows = WindowsPathIn(place, fs::weakly_canonical(*own, ownError));
                    if (windows.empty())
                        return std::nullopt;
                    installed = windows;
                }
            }
            return GamePrefix{place, std::move(*installed), "chosen"};
        }
    }
    // The game's own folder on a prefix's drive C: the prefix is the folder
    // above drive_c; the game is where it was chosen, whatever the registry says.
    if (!HasGameFolders(place))
        return std::nullopt;
    for (fs::path above = place; above.has_relative_path(); above = above.parent_path()) {
        if (above.filename() != "drive_c" || !fs::is_directory(above.parent_path() / "dosdevices", error))
            continue;
        // The folder named is the one worked on: its Windows path is the one
        // by which this prefix reaches it, whatever its drive C leads to.
        std::string windows = WindowsPathIn(above.parent_path(), place);
        if (windows.empty() && !fs::exists(fs::symlink_status(above.parent_path() / "dosdevices" / "c:", error))) {
            windows = "C:"; // a prefix without its drive links: drive_c is C, as Wine makes it
            for (const fs::path& part : place.lexically_relative(above))
                windows += "\\" + part.string();
        }
        if (windows.empty())
            return std::nullopt;
        return GamePrefix{above.parent_path(), windows, "chosen"};
    }
    // Outside any prefix (a Windows partition mounted here, a copied
    // install): the folder as drive Z: reaches it, with no prefix at all.
    if (kind == NamedFolder::Game) {
        std::string windows = "Z:";
        for (const fs::path& part : place.relative_path()) {
            if (part.string().find_first_of("\\:") != std::string::npos)
                return std::nullopt; // no Windows path reaches it
            windows += "\\" + part.string();
        }
        return GamePrefix{{}, windows, "chosen"};
    }
    return std::nullopt;
}

PrefixEnvironment PrefixEnvironment::Current()
{
    PrefixEnvironment env;
    const char* home = std::getenv("HOME");
    env.home = home && *home ? home : "/";
    if (const char* prefix = std::getenv("WINEPREFIX"); prefix && *prefix)
        env.winePrefix = prefix;
    if (const char* steam = std::getenv("STEAM_COMPAT_DATA_PATH"); steam && *steam)
        env.steamCompatData = steam;
    // Inside a Flatpak sandbox the XDG folders are the sandbox's own; the
    // launchers keep theirs in the host's usual places.
    const bool sandboxed = std::getenv("FLATPAK_ID") != nullptr;
    const char* data = sandboxed ? nullptr : std::getenv("XDG_DATA_HOME");
    env.dataHome = data && *data == '/' ? fs::path(data) : env.home / ".local" / "share";
    const char* config = sandboxed ? nullptr : std::getenv("XDG_CONFIG_HOME");
    env.configHome = config && *config == '/' ? fs::path(config) : env.home / ".config";
    return env;
}

PrefixSearch FindGamePrefixes(const std::string& key, const std::string& value, const PrefixEnvironment& env)
{
    Search search(key, value, env.budget);
    if (env.winePrefix) {
        search.Place("WINEPREFIX: {folder}", env.winePrefix->string());
        search.Try(*env.winePrefix, "WINEPREFIX");
        PrefixSearch result = search.Result();
        result.fromEnvironment = true;
        return result;
    }
    if (env.steamCompatData) {
        // A command of a Proton game's launch: that game's prefix alone.
        search.Place("STEAM_COMPAT_DATA_PATH: {folder}", env.steamCompatData->string());
        search.Try(*env.steamCompatData, "Steam");
        PrefixSearch result = search.Result();
        result.fromEnvironment = true;
        return result;
    }
    search.Place("Wine: {folder}", (env.home / ".wine").string());
    search.Try(env.home / ".wine", "Wine");
    SearchSteam(search, env);
    SearchLutris(search, env);
    SearchBottles(search, env);
    SearchHeroic(search, env);
    return search.Result();
}

} // namespace ovcache
