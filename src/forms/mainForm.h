#pragma once
// What the main window does alike on every toolkit: it opens the game, runs
// one command at a time (through a CommandRunner), asks the command's
// questions, shows what the command did once it is done, lets the menu
// items call the button handlers, and ends the program. A front end supplies
// the few things only its toolkit can do (WindowHooks); only those ever
// touch a window.
#include "catalogue/commands.h"
#include "catalogue/listOrder.h"
#include "forms/boxes.h"
#include "forms/commandRunner.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ovcache::forms {

// What only a toolkit can do for the main form, always on the window's
// thread: each front end's window has one of these, and nothing else of it
// is known here.
class WindowHooks {
public:
    virtual ~WindowHooks() = default;
    // The list's new entries, all at once, to be put in the list's order.
    virtual void AddRows(const ListRows& entries) = 0;
    virtual void ClearRows() = 0;
    // The selected entry's own text, "" when none is selected.
    virtual std::string SelectedRow() const = 0;
    // The caption of a label of the form, by its name.
    virtual void ShowLabel(std::string_view name, const std::string& caption) = 0;
    // Modal boxes, owned by the window once it is shown.
    virtual MsgAnswer ShowBox(const std::string& text, const std::string& title, MsgIcon icon, MsgButtons buttons) = 0;
    virtual void ShowReportBox(const std::string& summary, const std::string& details, const std::string& title) = 0;
    // Ends the window's event loop with the status.
    virtual void Quit(int exitCode) = 0;
    // While a command runs, as CommandRunner::Window says.
    virtual void SetBusy(bool busy) = 0;
    virtual void ShowProgress(std::size_t done, std::size_t total) = 0;
    virtual void HideProgress() = 0;
    virtual void KeepPainted() = 0;
    virtual bool Shown() const = 0;
};

class MainForm : private CommandRunner::Window, private Decisions {
public:
    // The hooks may keep a reference to a window still being made: they are
    // not called before Form_Load.
    explicit MainForm(std::unique_ptr<WindowHooks> hooks) : hooks_(std::move(hooks)) {}
    MainForm(const MainForm&) = delete;
    MainForm& operator=(const MainForm&) = delete;

    // Before Form_Load: the game's install folder (the registry's when none
    // is given), how it is opened, the way out where Windows refuses this
    // program the game's folders, and the size's thousands separator.
    void SetGameFolder(std::string folder) { folder_ = std::move(folder); }
    void SetGameOptions(GameOptions options) { options_ = std::move(options); }
    void SetRestartAsAdministrator(std::function<bool()> restart) { restart_ = std::move(restart); }
    void SetGroupSeparator(std::string separator) { groupSeparator_ = std::move(separator); }

    // Start-up, before the window is shown. False when the program has ended
    // (the cache index is missing); ExitCode() then says with what status.
    bool Form_Load(std::unique_ptr<FileSystemService> fso = nullptr);
    // Has Form_Load show the window once the list is in, while the cache is
    // still being measured for the labels: 200,000 maps are seen at once,
    // their count and size a moment later.
    void ShowWhenListed(std::function<void()> show) { showWhenListed_ = std::move(show); }
    bool Ended() const { return ended_; }
    int ExitCode() const { return exitCode_; }
    // The text of the selected entry, "" when none is selected.
    std::string SelectedEntry() const { return hooks_->SelectedRow(); }
    // The game, once Form_Load has opened it.
    const OpenedGame* Game() const { return game_ ? &*game_ : nullptr; }

    // Lists the cache again, as the start did.
    void LoadCacheList();
    void cmdClear_Click();
    void cmdMove_Click();
    void cmdMoveAll_Click();
    virtual void mnuAbout_Click() = 0;
    void mnuClearCache_Click() { cmdClear_Click(); }
    void mnuExit_Click() { EndProgram(0); }
    void mnuMove_Click() { cmdMove_Click(); }
    void mnuMoveAll_Click() { cmdMoveAll_Click(); }

protected:
    ~MainForm() = default;
    // Shows what a command did under the title, on the window's thread: its
    // boxes in the order the form shows them, the list and the labels;
    // selected: the map Move was given.
    void ShowResult(const CommandResult& result, const std::string& title, const std::string& selected = {});

private:
    // Runs the command on the runner's thread, then shows what it did.
    void RunCommand(const std::function<CommandResult()>& command, const std::string& title,
                    const std::string& selected = {});
    MsgAnswer Box(const std::string& text, const std::string& title, MsgIcon icon, MsgButtons buttons);
    void EndProgram(int exitCode);
    // Puts the rows in the list, with the cache's folder beside them.
    void ShowList(const ListRows& rows, const std::string& cacheFolder);
    Progress CommandProgress();
    // Decisions, asked on the command's thread and answered on the window's
    ExistingMap MapExists(const std::string& gameFolder, std::string_view name) override;
    bool ConfirmClear(const std::string& cacheFolder) override;
    // CommandRunner::Window
    void SetBusy(bool busy) override { hooks_->SetBusy(busy); }
    void ShowProgress(std::size_t done, std::size_t total) override { hooks_->ShowProgress(done, total); }
    void HideProgress() override { hooks_->HideProgress(); }
    void KeepPainted() override { hooks_->KeepPainted(); }
    bool Shown() const override { return hooks_->Shown(); }
    void Failed(const std::string& what) override;

    std::unique_ptr<WindowHooks> hooks_;
    std::string folder_;
    GameOptions options_;
    std::function<bool()> restart_;
    std::string groupSeparator_ = ",";
    std::optional<OpenedGame> game_;
    CommandRunner runner_{*this};
    bool ended_ = false;
    int exitCode_ = 0;
    bool listShown_ = false; // the command's list is in already
    std::function<void()> showWhenListed_;
};

} // namespace ovcache::forms
