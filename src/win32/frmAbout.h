#pragma once
// The About box on Windows: title, version, description, disclaimer, and a
// button that starts the system-information program.
#include "catalogue/sysInfo.h"
#include "forms/boxes.h"
#include "win32/form.h"

namespace ovcache::win32 {

class frmAbout : public FormWindow, public SysInfoHost {
public:
    frmAbout();
    ~frmAbout() override;
    // Shows it; the first time beside that window.
    void Show(HWND beside);

    // SysInfoHost
    bool StartProgram(const std::string& windowsPath, int windowStyle) override;
    MsgAnswer MsgBox(const std::string& text, const std::string& title, MsgIcon icon, MsgButtons buttons);

    void cmdSysInfo_Click();
    void cmdOK_Click();

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    DWORD StyleOf(const forms::Control& control) const override;
    void Relaid() override;

private:
    HFONT titleFont_ = nullptr;
    bool shown_ = false;
};

} // namespace ovcache::win32
