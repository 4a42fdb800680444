#pragma once
// Shared by the tests: a throw-away Wine prefix with a game install in it, and
// a view that records what the commands show and answers their questions.
#include "catalogue/cacheView.h"
#include "catalogue/workingState.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace ovcache::test {

namespace fs = std::filesystem;

class TempPrefix {
public:
    TempPrefix();
    ~TempPrefix();
    TempPrefix(const TempPrefix&) = delete;
    TempPrefix& operator=(const TempPrefix&) = delete;

    const fs::path& Root() const { return root_; }
    // drive_c/Games/Orvane, known to the program as C:\Games\Orvane.
    fs::path Game() const { return root_ / "drive_c" / "Games" / "Orvane"; }
    fs::path Cache() const { return Game() / "Cache"; }
    static std::string GameWin() { return "C:\\Games\\Orvane"; }
    static std::string CacheWin() { return "C:\\Games\\Orvane\\Cache"; }

    // system.reg naming folder as the game's install folder.
    void RegisterGame(const std::string& folder = GameWin(), bool win64 = false);
    void WriteSystemReg(const std::string& text);

    // The game's folders, and an index of these lines ("[Cache]" first is up
    // to the caller), each followed by eol.
    void MakeGame();
    void WriteIndex(const std::vector<std::string>& lines, const std::string& eol = "\r\n");
    std::string ReadIndex() const;
    // A cached file <key>.uxx whose content names it.
    void AddCached(const std::string& key, const std::string& content = {});

    // Every file below the prefix with its content, relative to the prefix.
    std::map<std::string, std::string> Snapshot() const;

private:
    fs::path root_;
    std::string oldPrefix_;
    bool hadPrefix_ = false;
};

void WriteFile(const fs::path& path, const std::string& content);
std::string ReadFile(const fs::path& path);

class FakeView : public CacheView {
public:
    struct Box {
        std::string text, title;
        MsgIcon icon;
        MsgButtons buttons;
    };

    void ClearList() override { list.clear(); }
    void AddListEntry(const std::string& text) override { list.push_back(text); }
    std::string SelectedEntry() const override { return selected; }
    void SetLabel(DataLabel label, const std::string& caption) override { labels[label] = caption; }
    int MsgBox(const std::string& text, const std::string& title, MsgIcon icon, MsgButtons buttons) override;
    void EndProgram(int exitCode) override
    {
        ended = true;
        this->exitCode = exitCode;
    }

    std::vector<std::string> list;
    std::string selected;
    std::map<DataLabel, std::string> labels;
    std::vector<Box> boxes;
    std::deque<int> answers; // for Yes/No boxes; No when it runs out
    bool ended = false;
    int exitCode = 0;
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
