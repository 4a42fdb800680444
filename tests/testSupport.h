#pragma once
// Shared by the tests: a throw-away game install (inside a Wine-style prefix
// on Linux, in a temporary folder with the real registry on Windows), and a
// view that records what the commands show and answers their questions.
#include "catalogue/cacheView.h"
#include "catalogue/listOrder.h"
#include "catalogue/workingState.h"

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
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

class FakeView : public CacheView {
public:
    struct Box {
        std::string text, title;
        MsgIcon icon;
        MsgButtons buttons;
    };

    void ClearList() override { list.clear(); }
    void AddListEntry(std::string_view text) override { list.emplace_back(text); }
    std::string SelectedEntry() override { return selected; }
    void SetLabel(DataLabel label, const std::string& caption) override { labels[label] = caption; }
    MsgAnswer MsgBox(const std::string& text, const std::string& title, MsgIcon icon, MsgButtons buttons) override;
    void EndProgram(int exitCode) override
    {
        ended = true;
        this->exitCode = exitCode;
    }
    void Progress(std::size_t done, std::size_t total) override { progress.emplace_back(done, total); }

    std::vector<std::string> list;
    std::string selected;
    std::map<DataLabel, std::string> labels;
    std::vector<Box> boxes;
    std::deque<MsgAnswer> answers; // for Yes/No boxes; No when it runs out
    // When set, answers Yes/No boxes by their text instead.
    std::function<MsgAnswer(const std::string& text)> answerByText;
    bool ended = false;
    int exitCode = 0;
    std::vector<std::pair<std::size_t, std::size_t>> progress; // done, total
};

// A game install with its folders, and the program started on it.
class CommandTest : public ::testing::Test {
protected:
    void SetUp() override { prefix.MakeGame(); }
    // Form_Load on the prefix; the boxes it showed are forgotten.
    void Start();
    bool InCache(const std::string& key) const { return fs::exists(prefix.Cache() / (key + ".uxx")); }
    // A file below the game's install folder.
    std::string GameFile(const std::string& rest) const { return ReadFile(prefix.Game() / rest); }

    TempPrefix prefix;
    WorkingState state;
    FakeView view;
};

} // namespace ovcache::test
