#include "win32/messageBox.h"

#include "win32/form.h"
#include "win32/icons.h"
#include "win32/textCodec.h"

#include <algorithm>
#include <commctrl.h>
#include <vector>

namespace ovcache::win32 {

MsgAnswer ShowMessage(HWND owner, std::string_view text, std::string_view title, MsgIcon icon, MsgButtons buttons)
{
    UINT type = buttons == MsgButtons::YesNo ? MB_YESNO | MB_DEFBUTTON1 : MB_OK;
    if (icon == MsgIcon::Critical)
        type |= MB_ICONERROR;
    if (!owner)
        type |= MB_TASKMODAL | MB_SETFOREGROUND;
    switch (MessageBoxW(owner, Wide(text).c_str(), Wide(title).c_str(), type)) {
    case IDYES:
        return MsgAnswer::Yes;
    case IDNO:
        return MsgAnswer::No;
    case IDOK:
        return MsgAnswer::OK;
    default:
        return buttons == MsgButtons::OK ? MsgAnswer::OK : MsgAnswer::No;
    }
}

namespace {

struct ReportState {
    bool done = false;
    HFONT font = nullptr;
};

LRESULT CALLBACK ReportProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* state = reinterpret_cast<ReportState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_NCCREATE:
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        break;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            if (state)
                state->done = true;
            return 0;
        }
        break;
    case DM_GETDEFID:
        return MAKELRESULT(IDOK, DC_HASDEFID);
    case WM_CLOSE:
        if (state)
            state->done = true;
        return 0;
    case WM_CTLCOLORSTATIC:
        // The read-only list on the window's own background would look
        // disabled; it keeps the colours of a field.
        if (GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == kReportListId) {
            SetTextColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOWTEXT));
            SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// Line ends as the edit control wants them.
std::wstring WithCrLf(std::wstring_view text)
{
    std::wstring out;
    out.reserve(text.size() + text.size() / 16);
    for (const wchar_t c : text) {
        if (c == L'\n')
            out += L'\r';
        out += c;
    }
    return out;
}

} // namespace

void ShowReport(HWND owner, std::string_view summary, std::string_view details, std::string_view title)
{
    if (details.empty()) {
        ShowMessage(owner, summary, title, MsgIcon::Critical, MsgButtons::OK);
        return;
    }
    const int dpi = DpiOf(owner);
    const auto px = [dpi](int pixels96) { return MulDiv(pixels96, dpi, 96); };
    ReportState state;
    state.font = MakeFont(dpi);

    // The summary's height as drawn at the report's width.
    const int width = px(460), margin = px(12), icon = GetSystemMetrics(SM_CXICON);
    const std::wstring summaryText = WithCrLf(Wide(summary));
    RECT measured{0, 0, width - 3 * margin - icon, 0};
    {
        const HDC dc = GetDC(nullptr);
        const HGDIOBJ old = SelectObject(dc, state.font);
        DrawTextW(dc, summaryText.c_str(), -1, &measured, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
    }
    const int summaryHeight = std::max<int>(measured.bottom, icon);
    const int button = px(25);
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    // The list takes what the screen leaves, between a few lines and 20.
    const int chrome = [&] {
        const RECT r = AdjustedRect(0, 0, style, WS_EX_DLGMODALFRAME, false, dpi);
        return (r.bottom - r.top);
    }();
    const int available = (work.bottom - work.top) - chrome - summaryHeight - button - 4 * margin;
    const int listHeight = std::clamp(px(260), std::min(px(60), std::max(available, 0)), std::max(available, 0));
    const int height = margin + summaryHeight + margin + listHeight + margin + button + margin;
    const RECT outer = AdjustedRect(width, height, style, WS_EX_DLGMODALFRAME, false, dpi);
    const int outerWidth = outer.right - outer.left, outerHeight = outer.bottom - outer.top;
    RECT ownerRect = work;
    if (owner && IsWindowVisible(owner))
        GetWindowRect(owner, &ownerRect);
    const int left = std::clamp<int>((ownerRect.left + ownerRect.right - outerWidth) / 2, work.left,
                                     std::max<int>(work.left, work.right - outerWidth));
    const int top = std::clamp<int>((ownerRect.top + ownerRect.bottom - outerHeight) / 2, work.top,
                                    std::max<int>(work.top, work.bottom - outerHeight));

    const HWND window = CreateWindowExW(WS_EX_DLGMODALFRAME, kReportClass, Wide(title).c_str(), style, left, top,
                                        outerWidth, outerHeight, owner, nullptr, Instance(), &state);
    if (!window) {
        ShowMessage(owner, std::string(summary) + "\n\n" + std::string(details), title, MsgIcon::Critical,
                    MsgButtons::OK);
        DeleteObject(state.font);
        return;
    }
    const auto child = [&](const wchar_t* kind, const std::wstring& text, DWORD childStyle, DWORD exStyle, int id,
                           int x, int y, int w, int h) {
        const HWND made =
            CreateWindowExW(exStyle, kind, text.c_str(), WS_CHILD | WS_VISIBLE | childStyle, x, y, w, h, window,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Instance(), nullptr);
        SendMessageW(made, WM_SETFONT, reinterpret_cast<WPARAM>(state.font), FALSE);
        return made;
    };
    const HWND picture = child(L"STATIC", L"", SS_ICON, 0, -1, margin, margin, icon, icon);
    SendMessageW(picture, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, IDI_ERROR)), 0);
    child(L"STATIC", summaryText, SS_LEFT | SS_NOPREFIX, 0, kReportSummaryId, 2 * margin + icon, margin,
          width - 3 * margin - icon, summaryHeight);
    const HWND list =
        child(L"EDIT", WithCrLf(Wide(details)), ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP,
              WS_EX_CLIENTEDGE, kReportListId, margin, 2 * margin + summaryHeight, width - 2 * margin, listHeight);
    const HWND ok = child(L"BUTTON", Wide(T("OK")).c_str(), BS_DEFPUSHBUTTON | WS_TABSTOP, 0, IDOK,
                          width - margin - px(75), height - margin - button, px(75), button);

    const bool ownerEnabled = owner && IsWindowEnabled(owner);
    if (ownerEnabled)
        EnableWindow(owner, FALSE);
    ShowWindow(window, SW_SHOW);
    SetFocus(ok);
    (void)list;
    MSG msg;
    while (!state.done && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(window, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    if (msg.message == WM_QUIT && !state.done)
        PostQuitMessage(static_cast<int>(msg.wParam));
    if (ownerEnabled)
        EnableWindow(owner, TRUE);
    DestroyWindow(window);
    if (owner)
        SetActiveWindow(owner);
    DeleteObject(state.font);
}

void RegisterReportClass()
{
    WNDCLASSEXW report{};
    report.cbSize = sizeof report;
    report.lpfnWndProc = ReportProcedure;
    report.hInstance = Instance();
    report.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    report.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    report.lpszClassName = kReportClass;
    RegisterClassExW(&report);
}

} // namespace ovcache::win32
