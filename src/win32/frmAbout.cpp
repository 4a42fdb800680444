#include "win32/frmAbout.h"

#include "win32/icons.h"
#include "win32/messageBox.h"
#include "win32/textCodec.h"

#include "platform/programLauncher.h"

#include <algorithm>

namespace ovcache::win32 {
namespace {

const forms::Form& kForm = forms::kAboutForm;

// A window that is never shown owns the box, so that the box is kept out of
// the task bar while no window of the program's own owns it.
HWND HiddenOwner()
{
    static const HWND owner =
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, Instance(), nullptr);
    return owner;
}

} // namespace

frmAbout::frmAbout() : FormWindow(kForm, kAboutClass)
{
    Create(WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME, HiddenOwner(), nullptr);
}

frmAbout::~frmAbout()
{
    if (titleFont_)
        DeleteObject(titleFont_);
}

DWORD frmAbout::StyleOf(const forms::Control& control) const
{
    DWORD style = FormWindow::StyleOf(control);
    if (control.name == "cmdOK")
        style = (style & ~BS_TYPEMASK) | BS_DEFPUSHBUTTON; // Enter presses "OK"
    return style;
}

void frmAbout::Relaid()
{
    if (titleFont_)
        DeleteObject(titleFont_);
    titleFont_ = MakeFont(Dpi(), 135, true);
    SendMessageW(Control("lblTitle"), WM_SETFONT, reinterpret_cast<WPARAM>(titleFont_), FALSE);
    const int size = forms::ToPixels(480, Dpi()); // the 32-pixel icon at 96 DPI
    SendMessageW(Control("picIcon"), STM_SETICON, reinterpret_cast<WPARAM>(AppIcon(size)), 0);
}

void frmAbout::Show(HWND beside)
{
    // First shown beside the main window where the screen has room, then
    // where the player leaves it; in front, with "OK" focused.
    if (!shown_ && beside) {
        shown_ = true;
        RECT main{}, box{}, work{};
        GetWindowRect(beside, &main);
        GetWindowRect(Handle(), &box);
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        const LONG width = box.right - box.left, height = box.bottom - box.top;
        LONG left = main.right + MulDiv(8, Dpi(), 96);
        if (left + width > work.right)
            left = std::max<LONG>(work.left, main.left - width - MulDiv(8, Dpi(), 96));
        const LONG top = std::clamp<LONG>(main.top, work.top, std::max<LONG>(work.top, work.bottom - height));
        SetWindowPos(Handle(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ShowWindow(Handle(), SW_SHOW);
    SetForegroundWindow(Handle());
    SetFocus(Control("cmdOK"));
}

bool frmAbout::StartProgram(const std::string& windowsPath, int windowStyle)
{
    return ovcache::StartProgram(windowsPath, windowStyle);
}

MsgAnswer frmAbout::MsgBox(const std::string& text, const std::string& title, MsgIcon icon, MsgButtons buttons)
{
    return ShowMessage(Handle(), text, title, icon, buttons);
}

void frmAbout::cmdSysInfo_Click()
{
    const auto fso = CreateFileSystemService();
    if (!StartSysInfo(*this, *fso))
        MsgBox(T(forms::kSysInfoUnavailable), kProgramTitle, MsgIcon::None, MsgButtons::OK);
}

void frmAbout::cmdOK_Click()
{
    // Unloaded: the next Help > About loads it anew.
    DestroyWindow(Handle());
}

LRESULT frmAbout::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case DM_GETDEFID:
        return MAKELRESULT(ControlId(kForm, "cmdOK"), DC_HASDEFID);
    case WM_COMMAND:
        if (LOWORD(wParam) == ControlId(kForm, "cmdOK") || LOWORD(wParam) == IDCANCEL) { // Esc presses "OK" too
            cmdOK_Click();
            return 0;
        }
        if (LOWORD(wParam) == ControlId(kForm, "cmdSysInfo")) {
            cmdSysInfo_Click();
            return 0;
        }
        break;
    case WM_CLOSE:
        cmdOK_Click();
        return 0;
    case WM_PAINT: {
        // The etched rule in the theme's shadow and light colours.
        PAINTSTRUCT paint;
        const HDC dc = BeginPaint(Handle(), &paint);
        for (const forms::Line& line : kForm.lines) {
            const int width = MulDiv(line.width, Dpi(), 96);
            const HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(line.highlight ? COLOR_BTNHIGHLIGHT : COLOR_BTNSHADOW));
            const HGDIOBJ old = SelectObject(dc, pen);
            for (int k = 0; k < width; ++k) {
                MoveToEx(dc, forms::ToPixels(line.x1, Dpi()), forms::ToPixels(line.y1, Dpi()) + k, nullptr);
                LineTo(dc, forms::ToPixels(line.x2, Dpi()), forms::ToPixels(line.y2, Dpi()) + k);
            }
            SelectObject(dc, old);
            DeleteObject(pen);
        }
        EndPaint(Handle(), &paint);
        return 0;
    }
    default:
        break;
    }
    return FormWindow::OnMessage(message, wParam, lParam);
}

} // namespace ovcache::win32
