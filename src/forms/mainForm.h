#pragma once
// What the main window does alike on every toolkit: it owns the working
// state, runs one command at a time, fills the list once a command's entries
// are in, keeps itself painted and shows progress at a pace meant for the
// eye, lets the menu items call the button handlers, and ends the program.
// A front end supplies the few things only its toolkit can do.
//
// A command runs on a thread of its own while the window's thread paints the
// window and answers the system every few hundredths of a second, taking no
// click or key meanwhile. Whatever the command asks of the window (a box, a
// label, the list) is done on the window's thread while the command waits;
// only the toolkit's hooks below ever touch a window.
#include "catalogue/cacheView.h"
#include "catalogue/workingState.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace ovcache::forms {

class MainForm : public CacheView {
public:
    MainForm() = default;
    MainForm(const MainForm&) = delete;
    MainForm& operator=(const MainForm&) = delete;

    // Start-up, before the window is shown. False when the program has ended
    // (the cache index is missing); ExitCode() then says with what status.
    bool Form_Load(std::unique_ptr<FileSystemService> fso = nullptr);
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
    void AddListEntry(const std::string& text) override;
    std::string SelectedEntry() const override;
    void SetLabel(DataLabel label, const std::string& caption) override;
    MsgAnswer MsgBox(const std::string& text, const std::string& title, MsgIcon icon, MsgButtons buttons) override;
    void ShowReport(const std::string& summary, const std::string& details, const std::string& title) override;
    void EndProgram(int exitCode) override;
    void Progress(std::size_t done, std::size_t total) override;

protected:
    ~MainForm() override = default;

    // The list's new entries, all at once; the list sorts them itself.
    virtual void AddRows(std::vector<std::string> entries) = 0;
    virtual void ClearRows() = 0;
    // The selected entry's own text, "" when none is selected.
    virtual std::string SelectedRow() const = 0;
    // The caption of a label of the form, by its name.
    virtual void ShowLabel(std::string_view name, const std::string& caption) = 0;
    // Modal boxes, owned by the window once it is shown.
    virtual MsgAnswer ShowBox(const std::string& text, const std::string& title, MsgIcon icon, MsgButtons buttons) = 0;
    virtual void ShowReportBox(const std::string& summary, const std::string& details, const std::string& title) = 0;
    // The busy cursor, on or off.
    virtual void SetBusy(bool busy) = 0;
    // The progress of long work, shown or updated; and taken away.
    virtual void ShowProgress(std::size_t done, std::size_t total) = 0;
    virtual void HideProgress() = 0;
    // Paints what waits to be painted, taking no click or key meanwhile.
    virtual void KeepPainted() = 0;
    virtual bool Shown() const = 0;
    // Ends the window's event loop with the status.
    virtual void Quit(int exitCode) = 0;

private:
    template <typename Command> void RunCommand(Command command);
    // Runs what the command asks of the window, and paints, until it ends.
    void Serve();
    // Does it on the window's thread, waiting for it when called from the
    // command's.
    template <typename Work> auto OnWindow(Work work) -> decltype(work());
    void FlushList() const;
    // A box with the busy cursor and the progress out of its way.
    template <typename Show> auto Modal(Show show);

    using Clock = std::chrono::steady_clock;
    WorkingState state_;
    bool ended_ = false;
    int exitCode_ = 0;
    bool busy_ = false, progressShown_ = false;
    Clock::time_point busySince_;
    mutable std::vector<std::string> pending_; // entries added since the list was filled
    const std::thread::id window_ = std::this_thread::get_id();
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> calls_; // from the command, for the window's thread
    bool commandDone_ = false;
    std::atomic<std::size_t> done_{0}, total_{0}; // the command's progress
};

// How often the window is painted while a command works, and how long work
// goes before the progress shows: often enough that the system never takes
// the window for hung, late enough that short work shows none.
inline constexpr std::chrono::milliseconds kPaintEvery{40};
inline constexpr std::chrono::milliseconds kProgressAfter{500};

} // namespace ovcache::forms
