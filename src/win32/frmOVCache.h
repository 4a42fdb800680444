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

private:
    class Hooks;
    HWND Owner() const;

    ListRows rows_; // the entries, in the list's order: item k is rows_[k]
    std::unique_ptr<frmAbout> about_;
};

} // namespace ovcache::win32
