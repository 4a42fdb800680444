#pragma once
// The main window on Windows, in the system's own controls: the cache
// statistics, the sorted list of cached maps, the three command buttons and
// the menus. It owns the working state of the run; its handlers hand the
// work to the cache commands.
#include "catalogue/cacheView.h"
#include "catalogue/workingState.h"
#include "win32/win32Ui.h"

#include <memory>
#include <string>
#include <vector>

namespace ovcache::win32 {

class frmAbout;

class frmOVCache : public FormWindow, public CacheView {
public:
    frmOVCache();
    ~frmOVCache() override;

    // Start-up, before the window is shown. False when the program has ended
    // (the cache index is missing); ExitCode() then says with what status.
    bool Form_Load(std::unique_ptr<FileSystemService> fso = nullptr);
    void Show(int showCommand);
    // Runs the window until the program ends; returns its exit status.
    int Run();
    int ExitCode() const { return exitCode_; }

    // CacheView
    void ClearList() override;
    void AddListEntry(const std::string& text) override;
    std::string SelectedEntry() const override;
    void SetLabel(DataLabel label, const std::string& caption) override;
    int MsgBox(const std::string& text, const std::string& title, MsgIcon icon, MsgButtons buttons) override;
    void ShowReport(const std::string& summary, const std::string& details, const std::string& title) override;
    void EndProgram(int exitCode) override;
    void Progress(std::size_t done, std::size_t total) override;

    void cmdClear_Click();
    void cmdMove_Click();
    void cmdMoveAll_Click();
    void mnuAbout_Click();
    void mnuClearCache_Click();
    void mnuExit_Click();
    void mnuMove_Click();
    void mnuMoveAll_Click();

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    DWORD StyleOf(const forms::Control& control) const override;
    UINT LabelFormat(int id) const override;

private:
    // Runs a command with the busy cursor; the list is filled once at its end.
    template <typename Command> void Busy(Command command);
    void FlushList();
    HWND Owner() const;

    WorkingState state_;
    bool ended_ = false;
    int exitCode_ = 0;
    std::vector<std::string> pending_; // entries added since the list was filled
    std::vector<std::string> rows_;    // every entry as the index holds it; the list's items point here
    std::unique_ptr<frmAbout> about_;
    bool busy_ = false;
    ULONGLONG busySince_ = 0, lastPaint_ = 0;
    HWND progress_ = nullptr; // the count of files done, once work takes long
};

} // namespace ovcache::win32
