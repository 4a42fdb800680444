#include "win32/frmOVCache.h"

#include "win32/frmAbout.h"
#include "catalogue/commands.h"

#include <algorithm>
#include <climits>
#include <commctrl.h>
#include <numeric>

namespace ovcache::win32 {
namespace {

const forms::Form& kForm = forms::kMainForm;

// The user's thousands separator, in the program's code page.
std::string GroupSeparator()
{
    wchar_t separator[8] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, separator, 8) <= 0)
        return ",";
    std::string narrow = Narrow(separator);
    return narrow == "?" ? "\xA0" : narrow; // a narrow space the code page lacks
}

HMENU BuildMenus()
{
    const HMENU bar = CreateMenu();
    std::map<std::string_view, HMENU> menus;
    for (const forms::MenuItem& item : kForm.menus) {
        if (item.under.empty()) {
            const HMENU menu = CreatePopupMenu();
            AppendMenuW(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(menu), Wide(item.caption).c_str());
            menus[item.name] = menu;
        } else if (item.caption == "-") {
            AppendMenuW(menus.at(item.under), MF_SEPARATOR, static_cast<UINT_PTR>(MenuId(kForm, item.name)), nullptr);
        } else {
            AppendMenuW(menus.at(item.under), MF_STRING, static_cast<UINT_PTR>(MenuId(kForm, item.name)),
                        Wide(item.caption).c_str());
        }
    }
    return bar;
}

} // namespace

frmOVCache::frmOVCache() : FormWindow(kForm, kMainClass)
{
    // A fixed single border with a system menu and a minimise box only.
    Create(WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, nullptr, BuildMenus());
    SetFocus(Control(forms::TabOrder(kForm).front()->name));
    state_.strGroupSeparator = GroupSeparator();
}

frmOVCache::~frmOVCache() = default;

DWORD frmOVCache::StyleOf(const forms::Control& control) const
{
    DWORD style = FormWindow::StyleOf(control);
    if (control.name == "lstCache")
        style |= LBS_SORT; // sorted without regard to case, as the user's locale sorts
    return style;
}

UINT frmOVCache::LabelFormat(int id) const
{
    // A long path is shortened in the middle; the label's text stays whole.
    if (id == ControlId(kForm, "lblPathData"))
        return DT_LEFT | DT_TOP | DT_SINGLELINE | DT_PATH_ELLIPSIS | DT_NOPREFIX;
    return FormWindow::LabelFormat(id);
}

bool frmOVCache::Form_Load(std::unique_ptr<FileSystemService> fso)
{
    bool loaded = false;
    Busy([&] { loaded = ovcache::Form_Load(state_, *this, fso ? std::move(fso) : CreateFileSystemService()); });
    return loaded && !ended_;
}

void frmOVCache::Show(int showCommand)
{
    ShowWindow(Handle(), showCommand);
    UpdateWindow(Handle());
    SetFocus(Control(forms::TabOrder(kForm).front()->name));
}

int frmOVCache::Run()
{
    MSG msg;
    while (!ended_ && GetMessageW(&msg, nullptr, 0, 0) > 0) {
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
    if (msg.message == WM_QUIT && !ended_)
        exitCode_ = static_cast<int>(msg.wParam);
    return exitCode_;
}

template <typename Command> void frmOVCache::Busy(Command command)
{
    // One command at a time: the window takes no other until this one ends.
    if (busy_)
        return;
    busy_ = true;
    busySince_ = lastPaint_ = GetTickCount64();
    const HCURSOR before = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    command();
    FlushList();
    if (progress_) {
        DestroyWindow(progress_);
        progress_ = nullptr;
    }
    SetCursor(before);
    busy_ = false;
}

void frmOVCache::Progress(std::size_t done, std::size_t total)
{
    // Painted every tenth of a second, so that the system never takes the
    // window for hung; after half a second a bar shows the count of files.
    const ULONGLONG now = GetTickCount64();
    if (now - lastPaint_ < 100)
        return;
    lastPaint_ = now;
    if (!progress_ && now - busySince_ >= 500 && IsWindowVisible(Handle())) {
        const forms::Control& list = forms::Find(kForm, "lstCache");
        const forms::Rect rect = forms::ToPixels(forms::ClientRect(kForm, list), Dpi());
        progress_ = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, rect.left,
                                    rect.top + rect.height - MulDiv(18, Dpi(), 96), rect.width, MulDiv(18, Dpi(), 96),
                                    Handle(), nullptr, Instance(), nullptr);
        SetWindowPos(progress_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
    if (progress_) {
        SendMessageW(progress_, PBM_SETRANGE32, 0, static_cast<LPARAM>(std::min<std::size_t>(total, INT_MAX)));
        SendMessageW(progress_, PBM_SETPOS, static_cast<WPARAM>(std::min<std::size_t>(done, INT_MAX)), 0);
    }
    // Paint and sent messages only: no click or key starts anything meanwhile.
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT | PM_QS_SENDMESSAGE))
        DispatchMessageW(&msg);
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
}

void frmOVCache::FlushList()
{
    if (pending_.empty())
        return;
    const HWND list = Control("lstCache");
    // In the list's own order, so that each entry the sorted list takes goes
    // at its end; the list is drawn once, when all are in.
    std::vector<std::wstring> texts;
    texts.reserve(pending_.size());
    for (const std::string& entry : pending_)
        texts.push_back(Wide(entry));
    std::vector<std::size_t> order(pending_.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, texts[a].c_str(), -1, texts[b].c_str(), -1) ==
               CSTR_LESS_THAN;
    });
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LB_INITSTORAGE, pending_.size(), pending_.size() * 32 * sizeof(wchar_t));
    for (const std::size_t k : order) {
        const LRESULT at = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(texts[k].c_str()));
        if (at >= 0)
            SendMessageW(list, LB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(rows_.size()));
        rows_.push_back(std::move(pending_[k]));
    }
    pending_.clear();
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

void frmOVCache::ClearList()
{
    pending_.clear();
    rows_.clear();
    SendMessageW(Control("lstCache"), LB_RESETCONTENT, 0, 0);
}

void frmOVCache::AddListEntry(const std::string& text)
{
    pending_.push_back(text);
}

std::string frmOVCache::SelectedEntry() const
{
    const_cast<frmOVCache*>(this)->FlushList();
    const HWND list = Control("lstCache");
    const LRESULT row = SendMessageW(list, LB_GETCURSEL, 0, 0);
    if (row == LB_ERR)
        return {};
    const LRESULT data = SendMessageW(list, LB_GETITEMDATA, static_cast<WPARAM>(row), 0);
    if (data < 0 || static_cast<std::size_t>(data) >= rows_.size())
        return {};
    return rows_[static_cast<std::size_t>(data)]; // the entry's own bytes, as the index holds them
}

void frmOVCache::SetLabel(DataLabel label, const std::string& caption)
{
    const char* name = label == DataLabel::Path        ? "lblPathData"
                       : label == DataLabel::FileCount ? "lblFileCountData"
                                                       : "lblCacheSizeData";
    SetWindowTextW(Control(name), Wide(caption).c_str());
}

HWND frmOVCache::Owner() const
{
    return IsWindowVisible(Handle()) ? Handle() : nullptr;
}

int frmOVCache::MsgBox(const std::string& text, const std::string& title, MsgIcon icon, MsgButtons buttons)
{
    FlushList();
    return ShowMessage(Owner(), text, title, icon, buttons);
}

void frmOVCache::ShowReport(const std::string& summary, const std::string& details, const std::string& title)
{
    FlushList();
    win32::ShowReport(Owner(), summary, details, title);
}

void frmOVCache::EndProgram(int exitCode)
{
    ended_ = true;
    exitCode_ = exitCode;
    PostQuitMessage(exitCode);
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
        if (!ended_)
            PostQuitMessage(exitCode_);
        return 0;
    default:
        break;
    }
    return FormWindow::OnMessage(message, wParam, lParam);
}

void frmOVCache::cmdClear_Click()
{
    Busy([this] { ovcache::cmdClear_Click(state_, *this); });
}

void frmOVCache::cmdMove_Click()
{
    Busy([this] { ovcache::cmdMove_Click(state_, *this); });
}

void frmOVCache::cmdMoveAll_Click()
{
    Busy([this] { ovcache::cmdMoveAll_Click(state_, *this); });
}

void frmOVCache::mnuAbout_Click()
{
    // One box, modeless and owned by no window of the program's own; after
    // OK has unloaded it, it is loaded again.
    if (!about_ || !about_->Handle())
        about_ = std::make_unique<frmAbout>();
    about_->Show(Handle());
}

void frmOVCache::mnuClearCache_Click()
{
    cmdClear_Click();
}

void frmOVCache::mnuExit_Click()
{
    EndProgram(0);
}

void frmOVCache::mnuMove_Click()
{
    cmdMove_Click();
}

void frmOVCache::mnuMoveAll_Click()
{
    cmdMoveAll_Click();
}

} // namespace ovcache::win32
