#pragma once
// What the main window does alike on every toolkit: it owns the working
// state, runs one command at a time (through a CommandRunner), fills the list
// once a command's entries are in, lets the menu items call the button
// handlers, and ends the program. A front end supplies the few things only
// its toolkit can do (WindowHooks); only those ever touch a window.
#include "catalogue/cacheView.h"
#include "catalogue/listOrder.h"
#include "catalogue/workingState.h"
#include "forms/commandRunner.h"

#include <functional>
#include <memory>
#include <mutex>
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

class MainForm : public CacheView, private CommandRunner::Window {
public:
    // The hooks may keep a reference to a window still being made: they are
    // not called before Form_Load.
    explicit MainForm(std::unique_ptr<WindowHooks> hooks) : hooks_(std::move(hooks)) {}
    MainForm(const MainForm&) = delete;
    MainForm& operator=(const MainForm&) = delete;

    // Start-up, before the window is shown. False when the program has ended
    // (the cache index is missing); ExitCode() then says with what status.
    bool Form_Load(std::unique_ptr<FileSystemService> fso = nullptr);
    // Has Form_Load show the window once the list is in, while the cache is
    // still being measured for the labels: 200,000 maps are seen at once,
    // their count and size a moment later.
    void ShowWhenListed(std::function<void()> show) { showWhenListed_ = std::move(show); }
    bool Ended() const { return ended_; }
    int ExitCode() const { return exitCode_; }
    WorkingState& State() { return state_; }

    void cmdClear_Click();
    void cmdMove_Click();
    void cmdMoveAll_Click();
    virtual void mnuAbout_Click() = 0;
    void mnuClearCache_Click() { cmdClear_Click(); }
    void mnuExit_Click() { EndProgram(0); }
    void mnuMove_Click() { cmdMove_Click(); }
    void mnuMoveAll_Click() { cmdMoveAll_Click(); }

    // CacheView
    void ClearList() override;
    void AddListEntry(std::string_view text) override;
    std::string SelectedEntry() override;
    void SetLabel(DataLabel label, const std::string& caption) override;
    MsgAnswer MsgBox(const std::string& text, const std::string& title, MsgIcon icon, MsgButtons buttons) override;
    void ShowReport(const std::string& summary, const std::string& details, const std::string& title) override;
    void EndProgram(int exitCode) override;
    void Progress(std::size_t done, std::size_t total) override { runner_.Progress(done, total); }

protected:
    ~MainForm() override = default;

private:
    void RunCommand(const std::function<void()>& command);
    // Puts the entries gathered so far into the list.
    void FlushList();
    // CommandRunner::Window
    void SetBusy(bool busy) override { hooks_->SetBusy(busy); }
    void ShowProgress(std::size_t done, std::size_t total) override { hooks_->ShowProgress(done, total); }
    void HideProgress() override { hooks_->HideProgress(); }
    void KeepPainted() override { hooks_->KeepPainted(); }
    bool Shown() const override { return hooks_->Shown(); }
    void Failed(const std::string& what) override;

    std::unique_ptr<WindowHooks> hooks_;
    WorkingState state_;
    CommandRunner runner_{*this};
    bool ended_ = false;
    int exitCode_ = 0;
    std::function<void()> showWhenListed_;
    std::mutex pendingMutex_;
    ListRows pending_; // entries added since the list was filled
};

} // namespace ovcache::forms
