#pragma once
// Shared by the tests: a throw-away game install (inside a Wine-style prefix
// on Linux, in a temporary folder with the real registry on Windows), and
// answers to the commands' questions that record what was asked.
#include "catalogue/commands.h"
#include "catalogue/listOrder.h"

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <string>
#include <vector>

// For a test that only makes sense where the registry is a Wine prefix's
// system.reg and paths are translated the way Wine translates them.
#ifdef _WIN32
#define OVCACHE_WINE_STORE_ONLY() GTEST_SKIP() << "Only where the registry is a Wine prefix's system.reg"
#else
#define OVCACHE_WINE_STORE_ONLY() (void)0
#endif

namespace ovcache::test {

namespace fs = std::filesystem;

// The list's rows, each as a string of its own, to compare.
inline std::vector<std::string> RowTexts(const ListRows& rows)
{
    std::vector<std::string> texts;
    for (std::size_t k = 0; k < rows.size(); ++k)
        texts.emplace_back(rows[k]);
    return texts;
}

class TempPrefix {
public:
    TempPrefix();
    ~TempPrefix();
    TempPrefix(const TempPrefix&) = delete;
    TempPrefix& operator=(const TempPrefix&) = delete;

    const fs::path& Root() const { return root_; }
    // The drive the game is installed on: where files outside the game's
    // folders go, and its name for the program ("C:" in a Wine prefix).
    fs::path Drive() const;
    std::string DriveWin() const;
    fs::path Game() const { return Drive() / "Games" / "Orvane"; }
    fs::path Cache() const { return Game() / "Cache"; }
    std::string GameWin() const { return DriveWin() + "\\Games\\Orvane"; }
    std::string CacheWin() const { return GameWin() + "\\Cache"; }

    // Registry values under HKEY_LOCAL_MACHINE, where a 32-bit program sees them.
    void SetRegValue(const std::string& key, const std::string& name, std::uint32_t type,
                     const std::vector<std::uint8_t>& data);
    void SetRegString(const std::string& key, const std::string& name, const std::string& value);
    // The game's install folder; win64 puts it where a 64-bit Wine prefix
    // keeps a 32-bit program's keys.
    void RegisterGame(const std::string& folder, bool win64 = false);
    void RegisterGame() { RegisterGame(GameWin()); }
    // Replaces the prefix's system.reg (Wine store only).
    void WriteSystemReg(const std::string& text);

    // The game's folders and its registry value, and an index of these lines
    // ("[Cache]" first is up to the caller), each followed by eol.
    void MakeGame();
    void WriteIndex(const std::vector<std::string>& lines, const std::string& eol = "\r\n");
    std::string ReadIndex() const;
    // A cached file <key>.uxx whose content names it.
    void AddCached(const std::string& key, const std::string& content = {});

    // A path below the root, with "/" between its parts.
    std::string Rel(const fs::path& path) const;
    // Every file below the root with its content, by Rel; not the game's
    // lock, an empty file that any start makes.
    std::map<std::string, std::string> Snapshot() const;

private:
    void WriteWineRegistry() const;

    fs::path root_;
    std::string oldPrefix_;
    bool hadPrefix_ = false;
    bool win64_ = false;
    // key -> value name -> (type, data), as last set
    std::map<std::string, std::map<std::string, std::pair<std::uint32_t, std::vector<std::uint8_t>>>> registry_;
};

void WriteFile(const fs::path& path, const std::string& content);
std::string ReadFile(const fs::path& path);
// Hidden as the system sees it: a dot name under Wine, an attribute on Windows.
fs::path MakeHidden(const fs::path& path);
// The identity the file-system service gives the regular file at path.
FileIdentity IdentityOf(const fs::path& path);

// Answers a command's questions as the test says, and records each.
class Answers final : public Decisions {
public:
    // Records "<game>\\Maps\\<name>"; the next of maps, or Discard (the
    // question's No) when they have run out.
    ExistingMap MapExists(const std::string& gameFolder, std::string_view name) override;
    // Records the cache folder; answers clear.
    bool ConfirmClear(const std::string& cacheFolder) override;

    std::deque<ExistingMap> maps;
    // When set, answers by the map's path instead.
    std::function<ExistingMap(const std::string& path)> byPath;
    bool clear = true;
    std::vector<std::string> asked; // the maps asked about, and the cache folder Clear Cache asked about
};

// Whether a report holds a problem of that kind (about entry, when given).
bool Reports(const CommandReport& report, Why why, const std::string& entry = {});
bool Notes(const CommandReport& report, NoteKind kind);

// A game install with its folders, and the program started on it.
class CommandTest : public ::testing::Test {
protected:
    void SetUp() override { prefix.MakeGame(); }
    // Opens the game as the start does (the registry names it); its result
    // is last.
    void Start();
    bool InCache(const std::string& key) const { return fs::exists(prefix.Cache() / (key + ".uxx")); }
    // A file below the game's install folder.
    std::string GameFile(const std::string& rest) const { return ReadFile(prefix.Game() / rest); }
    // The last result's list, in index order; and its file count.
    std::vector<std::string> List() const;
    std::size_t Files() const;

    TempPrefix prefix;
    GameOptions options;
    std::optional<OpenedGame> game;
    Answers answers;
    CommandResult last;
};

} // namespace ovcache::test
