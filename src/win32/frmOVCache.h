#pragma once
// The main window on Windows, in the system's own controls: the cache
// statistics, the sorted list of cached maps, the three command buttons and
// the menus, laid out from the form's table. What every main window does
// alike is the shared form's; this adds what only Windows can do.
#include "forms/mainForm.h"
#include "win32/form.h"

#include <memory>
#include <string>
#include <vector>

namespace ovcache::win32 {

class frmAbout;

class frmOVCache : public FormWindow, public forms::MainForm {
public:
    frmOVCache();
    ~frmOVCache() override;

    void Show(int showCommand);
    // The window's message loop, until the program ends; returns its status.
    int MessageLoop();
    void mnuAbout_Click() override;

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    UINT LabelFormat(int id) const override;

    // forms::MainForm
    void AddRows(std::vector<std::string> entries) override;
    void ClearRows() override;
    std::string SelectedRow() const override;
    void ShowLabel(std::string_view name, const std::string& caption) override;
    MsgAnswer ShowBox(const std::string& text, const std::string& title, MsgIcon icon, MsgButtons buttons) override;
    void ShowReportBox(const std::string& summary, const std::string& details, const std::string& title) override;
    void SetBusy(bool busy) override;
    void ShowProgress(std::size_t done, std::size_t total) override;
    void HideProgress() override;
    void KeepPainted() override;
    bool Shown() const override { return IsWindowVisible(Handle()) != FALSE; }
    void Quit(int exitCode) override;

private:
    HWND Owner() const;

    std::vector<std::string> rows_; // the entries, in the list's order: item k is rows_[k]
    std::unique_ptr<frmAbout> about_;
    HCURSOR before_ = nullptr; // the cursor before the busy one
    HWND progress_ = nullptr;  // the count of files done, once work takes long
};

} // namespace ovcache::win32
