#include "testSupport.h"

#include "catalogue/commands.h"
#include "demoGame.h"
#include "platform/registry.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace ovcache::test {

TempPrefix::TempPrefix()
{
#ifdef _WIN32
    std::random_device random;
    root_ = fs::temp_directory_path() / ("ovcache-test-" + std::to_string(random()));
    fs::create_directories(root_);
    // Each test starts from a registry without the game in it.
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kGameKey, 0, KEY_SET_VALUE | KEY_WOW64_32KEY, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, kGameValue);
        RegCloseKey(key);
    }
#else
    std::string pattern = (fs::temp_directory_path() / "ovcache-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    root_ = pattern;
    fs::create_directories(root_ / "dosdevices");
    fs::create_directories(root_ / "drive_c");
    fs::create_directory_symlink("../drive_c", root_ / "dosdevices" / "c:");
    if (const char* old = std::getenv("WINEPREFIX")) {
        hadPrefix_ = true;
        oldPrefix_ = old;
    }
    ::setenv("WINEPREFIX", root_.c_str(), 1);
#endif
}

TempPrefix::~TempPrefix()
{
#ifdef _WIN32
    for (const auto& [name, values] : registry_) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, name.c_str(), 0, KEY_SET_VALUE | KEY_WOW64_32KEY, &key) ==
            ERROR_SUCCESS) {
            for (const auto& value : values)
                RegDeleteValueA(key, value.first.c_str());
            RegCloseKey(key);
        }
    }
#else
    if (hadPrefix_)
        ::setenv("WINEPREFIX", oldPrefix_.c_str(), 1);
    else
        ::unsetenv("WINEPREFIX");
#endif
    std::error_code ec;
    // Read-only files and folders a test made would stop the removal.
    for (auto it = fs::recursive_directory_iterator(root_, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
        if (!it->is_symlink())
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(root_, ec);
}

fs::path TempPrefix::Drive() const
{
#ifdef _WIN32
    return root_;
#else
    return root_ / "drive_c";
#endif
}

std::string TempPrefix::DriveWin() const
{
#ifdef _WIN32
    return root_.string();
#else
    return "C:";
#endif
}

void TempPrefix::SetRegValue(const std::string& key, const std::string& name, std::uint32_t type,
                             const std::vector<std::uint8_t>& data)
{
    registry_[key][name] = {type, data};
#ifdef _WIN32
    HKEY handle = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE | KEY_WOW64_32KEY, nullptr, &handle,
                        nullptr) != ERROR_SUCCESS)
        throw std::runtime_error("cannot create registry key " + key);
    RegSetValueExA(handle, name.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size()));
    RegCloseKey(handle);
#else
    WriteWineRegistry();
#endif
}

void TempPrefix::SetRegString(const std::string& key, const std::string& name, const std::string& value)
{
    std::vector<std::uint8_t> data(value.begin(), value.end());
    data.push_back(0);
    SetRegValue(key, name, kRegSz, data);
}

void TempPrefix::RegisterGame(const std::string& folder, bool win64)
{
    win64_ = win64;
    SetRegString(kGameKey, kGameValue, folder);
}

// system.reg as Wine writes it: strings escaped, other types as byte lists
// (string data held as UTF-16, as Wine keeps it).
void TempPrefix::WriteWineRegistry() const
{
    using demo::EscapeRegString;
    std::ostringstream reg;
    reg << "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=" << (win64_ ? "win64" : "win32")
        << "\n\n";
    for (const auto& [key, values] : registry_) {
        std::string path = key;
        if (win64_ && path.rfind("Software\\", 0) == 0)
            path.insert(9, "Wow6432Node\\");
        reg << "[" << EscapeRegString(path) << "] 1700000000\n#time=1d9e0a0b0c0d0e0\n";
        for (const auto& [name, value] : values) {
            reg << "\"" << EscapeRegString(name) << "\"=hex(" << std::hex << value.first << std::dec << "):";
            std::vector<std::uint8_t> bytes = value.second;
            if (value.first == kRegSz || value.first == kRegExpandSz) {
                bytes.clear();
                for (const std::uint8_t b : value.second) { // test values are ASCII
                    bytes.push_back(b);
                    bytes.push_back(0);
                }
            }
            for (std::size_t k = 0; k < bytes.size(); ++k) {
                char hex[4];
                std::snprintf(hex, sizeof hex, "%02x", bytes[k]);
                reg << (k ? "," : "") << hex;
            }
            reg << "\n";
        }
        reg << "\n";
    }
    WriteFile(root_ / "system.reg", reg.str());
}

void TempPrefix::WriteSystemReg(const std::string& text)
{
    WriteFile(root_ / "system.reg", text);
}

void TempPrefix::MakeGame()
{
    for (const char* folder : {"Cache", "Maps", "System", "Music", "Sounds"})
        fs::create_directories(Game() / folder);
    RegisterGame();
}

void TempPrefix::WriteIndex(const std::vector<std::string>& lines, const std::string& eol)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + eol;
    WriteFile(Cache() / "cache.ini", text);
}

std::string TempPrefix::ReadIndex() const
{
    return ReadFile(Cache() / "cache.ini");
}

void TempPrefix::AddCached(const std::string& key, const std::string& content)
{
    WriteFile(Cache() / (key + ".uxx"), content.empty() ? "cached " + key : content);
}

std::string TempPrefix::Rel(const fs::path& path) const
{
    return fs::relative(path, root_).generic_string();
}

std::map<std::string, std::string> TempPrefix::Snapshot() const
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root_))
        if (entry.is_regular_file() && !entry.is_symlink() && entry.path().filename() != "OrvaneCacheImporter.lock")
            files[Rel(entry.path())] = ReadFile(entry.path());
    return files;
}

void WriteFile(const fs::path& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

fs::path MakeHidden(const fs::path& path)
{
#ifdef _WIN32
    SetFileAttributesW(path.c_str(), GetFileAttributesW(path.c_str()) | FILE_ATTRIBUTE_HIDDEN);
    return path;
#else
    fs::path hidden = path.parent_path() / ("." + path.filename().string());
    fs::rename(path, hidden);
    return hidden;
#endif
}

ExistingMap Answers::MapExists(const std::string& gameFolder, std::string_view name)
{
    const std::string path = gameFolder + "\\Maps\\" + std::string(name);
    asked.push_back(path);
    if (byPath)
        return byPath(path);
    if (maps.empty())
        return ExistingMap::Discard;
    const ExistingMap answer = maps.front();
    maps.pop_front();
    return answer;
}

bool Answers::ConfirmClear(const std::string& cacheFolder)
{
    asked.push_back(cacheFolder);
    return clear;
}

bool Reports(const CommandReport& report, Why why, const std::string& entry)
{
    for (const Problem& p : report.Problems())
        if (p.why == why && (entry.empty() || p.entry == entry))
            return true;
    return false;
}

bool Notes(const CommandReport& report, NoteKind kind)
{
    for (const Note& note : report.Notes())
        if (note.kind == kind)
            return true;
    return false;
}

FileIdentity IdentityOf(const fs::path& path)
{
#ifdef _WIN32
    const auto id = CreateFileSystemService()->IdentityOf(path.string());
    if (!id)
        throw std::runtime_error("no identity for " + path.string());
    return *id;
#else
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        throw std::runtime_error("no identity for " + path.string());
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
            static_cast<std::uint64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
#endif
}

void CommandTest::Start()
{
    Opening opening = OpenGame(CreateFileSystemService(), "", {}, true, options);
    game.emplace(opening.game);
    last = std::move(opening.result);
    ASSERT_NE(last.ending, Ending::IndexMissing);
}

std::vector<std::string> CommandTest::List() const
{
    return last.list ? RowTexts(*last.list) : std::vector<std::string>();
}

std::size_t CommandTest::Files() const
{
    return last.figures ? last.figures->files : 0;
}

} // namespace ovcache::test
