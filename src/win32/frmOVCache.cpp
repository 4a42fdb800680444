#include "win32/frmOVCache.h"

#include "catalogue/listOrder.h"

#include "win32/frmAbout.h"
#include "win32/icons.h"
#include "win32/messageBox.h"
#include "win32/textCodec.h"

#include <algorithm>
#include <climits>
#include <commctrl.h>

namespace ovcache::win32 {
namespace {

const forms::Form& kForm = forms::kMainForm;

// The user's thousands separator.
std::string LocalesSeparator()
{
    wchar_t separator[8] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, separator, 8) <= 0)
        return ",";
    return Narrow(separator);
}

HMENU BuildMenus()
{
    const HMENU bar = CreateMenu();
    std::map<std::string_view, HMENU> menus;
    for (const forms::MenuItem& item : kForm.menus) {
        if (item.under.empty()) {
            const HMENU menu = CreatePopupMenu();
            AppendMenuW(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(menu),
                        Wide(forms::Said(item.caption)).c_str());
            menus[item.name] = menu;
        } else if (item.caption == "-") {
            AppendMenuW(menus.at(item.under), MF_SEPARATOR, static_cast<UINT_PTR>(MenuId(kForm, item.name)), nullptr);
        } else {
            AppendMenuW(menus.at(item.under), MF_STRING, static_cast<UINT_PTR>(MenuId(kForm, item.name)),
                        Wide(forms::Said(item.caption)).c_str());
        }
    }
    return bar;
}

} // namespace

// What only Windows does for the shared form.
class frmOVCache::Hooks final : public forms::WindowHooks {
public:
    explicit Hooks(frmOVCache& window) : w_(window) {}

    void AddRows(const ListRows& entries) override
    {
        const HWND list = w_.Control("lstCache");
        // The rows in the list's order, one rule on every system; the list
        // is filled from them and drawn once, when all are in.
        AddInListOrder(w_.rows_, entries);
        SendMessageW(list, WM_SETREDRAW, FALSE, 0);
        SendMessageW(list, LB_RESETCONTENT, 0, 0);
        SendMessageW(list, LB_INITSTORAGE, w_.rows_.size(), w_.rows_.size() * 32 * sizeof(wchar_t));
        for (std::size_t k = 0; k < w_.rows_.size(); ++k)
            SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(w_.rows_[k]).c_str()));
        SendMessageW(list, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list, nullptr, TRUE);
    }
    void ClearRows() override
    {
        w_.rows_.clear();
        SendMessageW(w_.Control("lstCache"), LB_RESETCONTENT, 0, 0);
    }
    std::string SelectedRow() const override
    {
        const LRESULT row = SendMessageW(w_.Control("lstCache"), LB_GETCURSEL, 0, 0);
        if (row == LB_ERR || row < 0 || static_cast<std::size_t>(row) >= w_.rows_.size())
            return {};
        return std::string(w_.rows_[static_cast<std::size_t>(row)]);
    }
    void ShowLabel(std::string_view name, const std::string& caption) override
    {
        SetWindowTextW(w_.Control(name), Wide(caption).c_str());
    }
    MsgAnswer ShowBox(const std::string& text, const std::string& title, MsgIcon icon, MsgButtons buttons) override
    {
        return ShowMessage(w_.Owner(), text, title, icon, buttons);
    }
    void ShowReportBox(const std::string& summary, const std::string& details, const std::string& title) override
    {
        win32::ShowReport(w_.Owner(), summary, details, title);
    }
    void Quit(int exitCode) override { PostQuitMessage(exitCode); }

    void SetBusy(bool busy) override
    {
        if (busy)
            before_ = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        else
            SetCursor(before_);
    }
    void ShowProgress(std::size_t done, std::size_t total) override
    {
        // A bar along the foot of the list.
        if (!progress_) {
            const forms::Control& list = forms::Find(kForm, "lstCache");
            const forms::Rect rect = forms::ToPixels(forms::ClientRect(kForm, list), w_.Dpi());
            const int height = MulDiv(18, w_.Dpi(), 96);
            progress_ = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD, rect.left, rect.top + rect.height - height,
                                        rect.width, height, w_.Handle(), nullptr, Instance(), nullptr);
            SetWindowPos(progress_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        }
        SendMessageW(progress_, PBM_SETRANGE32, 0, static_cast<LPARAM>(std::min<std::size_t>(total, INT_MAX)));
        SendMessageW(progress_, PBM_SETPOS, static_cast<WPARAM>(std::min<std::size_t>(done, INT_MAX)), 0);
        ShowWindow(progress_, SW_SHOWNA);
    }
    void HideProgress() override
    {
        if (progress_)
            ShowWindow(progress_, SW_HIDE);
    }
    void KeepPainted() override
    {
        // Paint and sent messages only: no click or key starts anything
        // meanwhile.
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT | PM_QS_SENDMESSAGE))
            DispatchMessageW(&msg);
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    }
    bool Shown() const override { return IsWindowVisible(w_.Handle()) != FALSE; }

private:
    frmOVCache& w_;
    HCURSOR before_ = nullptr; // the cursor before the busy one
    HWND progress_ = nullptr;  // the count of files done, once work takes long
};

frmOVCache::frmOVCache() : FormWindow(kForm, kMainClass), forms::MainForm(std::make_unique<Hooks>(*this))
{
    // A fixed single border with a system menu and a minimise box only.
    Create(WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, nullptr, BuildMenus());
    SetFocus(Control(forms::TabOrder(kForm).front()->name));
    SetGroupSeparator(GroupSeparator(LocalesSeparator()));
}

frmOVCache::~frmOVCache() = default;

UINT frmOVCache::LabelFormat(int id) const
{
    // A long path is shortened in the middle; the label's text stays whole.
    if (id == ControlId(kForm, "lblPathData"))
        return DT_LEFT | DT_TOP | DT_SINGLELINE | DT_PATH_ELLIPSIS | DT_NOPREFIX;
    return FormWindow::LabelFormat(id);
}

void frmOVCache::Show(int showCommand)
{
    ShowWindow(Handle(), showCommand);
    UpdateWindow(Handle());
    SetFocus(Control(forms::TabOrder(kForm).front()->name));
}

int frmOVCache::MessageLoop()
{
    MSG msg;
    while (!Ended() && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        // Enter presses the push button that has the focus, as on a form;
        // no button is a default button otherwise.
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN && GetParent(msg.hwnd) == Handle()) {
            wchar_t kind[16] = {};
            GetClassNameW(msg.hwnd, kind, 16);
            const LONG_PTR style = GetWindowLongPtrW(msg.hwnd, GWL_STYLE);
            if (lstrcmpiW(kind, L"BUTTON") == 0 && (style & BS_TYPEMASK) == BS_PUSHBUTTON) {
                SendMessageW(msg.hwnd, BM_CLICK, 0, 0);
                continue;
            }
        }
        if (about_ && about_->Handle() && IsDialogMessageW(about_->Handle(), &msg))
            continue;
        if (Handle() && IsDialogMessageW(Handle(), &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return Ended() || msg.message != WM_QUIT ? ExitCode() : static_cast<int>(msg.wParam);
}

HWND frmOVCache::Owner() const
{
    return IsWindowVisible(Handle()) ? Handle() : nullptr;
}

LRESULT frmOVCache::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const struct {
            int id;
            void (frmOVCache::*handler)();
        } routes[] = {
            {ControlId(kForm, "cmdMove"), &frmOVCache::cmdMove_Click},
            {ControlId(kForm, "cmdMoveAll"), &frmOVCache::cmdMoveAll_Click},
            {ControlId(kForm, "cmdClear"), &frmOVCache::cmdClear_Click},
            {MenuId(kForm, "mnuExit"), &frmOVCache::mnuExit_Click},
            {MenuId(kForm, "mnuMove"), &frmOVCache::mnuMove_Click},
            {MenuId(kForm, "mnuMoveAll"), &frmOVCache::mnuMoveAll_Click},
            {MenuId(kForm, "mnuClearCache"), &frmOVCache::mnuClearCache_Click},
            {MenuId(kForm, "mnuAbout"), &frmOVCache::mnuAbout_Click},
        };
        const bool clicked = lParam == 0 || HIWORD(wParam) == BN_CLICKED;
        for (const auto& route : routes) {
            if (route.id == id && clicked) {
                (this->*route.handler)();
                return 0;
            }
        }
        break;
    }
    case WM_CLOSE:
        // The About box goes with the main window; the run ends with it.
        about_.reset();
        DestroyWindow(Handle());
        return 0;
    case WM_DESTROY:
        if (!Ended())
            PostQuitMessage(ExitCode());
        return 0;
    default:
        break;
    }
    return FormWindow::OnMessage(message, wParam, lParam);
}

void frmOVCache::mnuAbout_Click()
{
    // One box, modeless and owned by no window of the program's own; after
    // OK has unloaded it, it is loaded again.
    if (!about_ || !about_->Handle())
        about_ = std::make_unique<frmAbout>();
    about_->Show(Handle());
}

} // namespace ovcache::win32
