#include "win32/form.h"

#include "win32/icons.h"
#include "win32/messageBox.h"
#include "win32/textCodec.h"

#include <algorithm>
#include <commctrl.h>
#include <stdexcept>
#include <vector>

namespace ovcache::win32 {
namespace {

// Functions of Windows 10 and later, looked up so that the program still
// starts on older systems, where the system DPI serves.
template <typename Function> Function Later(const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

int SystemDpi()
{
    using GetDpiForSystemFn = UINT(WINAPI*)();
    static const auto getDpiForSystem = Later<GetDpiForSystemFn>("GetDpiForSystem");
    if (getDpiForSystem)
        return static_cast<int>(getDpiForSystem());
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

int TextWidth(HFONT font, std::wstring_view text)
{
    const HDC dc = GetDC(nullptr);
    const HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return size.cx;
}

// A frame drawn by the program: an etched rectangle with the caption in a gap
// of its top edge. Wine's own frame control cuts off the caption's last
// letter when it draws the face wider than it measures it.
LRESULT CALLBACK FrameProcedure(HWND frame, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR /*id*/,
                                DWORD_PTR /*data*/)
{
    if (message != WM_PAINT)
        return DefSubclassProc(frame, message, wParam, lParam);
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(frame, &paint);
    const auto font = reinterpret_cast<HFONT>(SendMessageW(frame, WM_GETFONT, 0, 0));
    const HGDIOBJ old = SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
    wchar_t caption[256] = {};
    const int length = GetWindowTextW(frame, caption, 256);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    RECT client{};
    GetClientRect(frame, &client);
    RECT edge = client;
    edge.top += metrics.tmHeight / 2 - 1;
    DrawEdge(dc, &edge, EDGE_ETCHED, BF_RECT);
    if (length > 0) {
        SIZE size{};
        GetTextExtentPoint32W(dc, caption, length, &size);
        const int dpi = DpiOf(frame);
        RECT text{MulDiv(7, dpi, 96), 0, 0, metrics.tmHeight};
        // with room for faces that Wine draws wider than it measures them
        text.right =
            std::min<LONG>(text.left + size.cx + size.cx / 25 + MulDiv(3, dpi, 96), client.right - MulDiv(7, dpi, 96));
        FillRect(dc, &text, GetSysColorBrush(COLOR_BTNFACE));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(IsWindowEnabled(frame) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
        text.left += MulDiv(1, dpi, 96);
        DrawTextW(dc, caption, length, &text, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    }
    SelectObject(dc, old);
    EndPaint(frame, &paint);
    return 0;
}

} // namespace

RECT AdjustedRect(int width, int height, DWORD style, DWORD exStyle, bool menu, int dpi)
{
    RECT rect{0, 0, width, height};
    using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi = Later<AdjustForDpiFn>("AdjustWindowRectExForDpi");
    if (!adjustForDpi || !adjustForDpi(&rect, style, menu, exStyle, static_cast<UINT>(dpi)))
        AdjustWindowRectEx(&rect, style, menu, exStyle);
    return rect;
}

int ControlId(const forms::Form& form, std::string_view name)
{
    for (std::size_t k = 0; k < form.controls.size(); ++k)
        if (form.controls[k].name == name)
            return kFirstControlId + static_cast<int>(k);
    throw std::out_of_range("no control " + std::string(name));
}

int MenuId(const forms::Form& form, std::string_view name)
{
    for (std::size_t k = 0; k < form.menus.size(); ++k)
        if (form.menus[k].name == name)
            return kFirstMenuId + static_cast<int>(k);
    throw std::out_of_range("no menu item " + std::string(name));
}

int DpiOf(HWND window)
{
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = Later<GetDpiForWindowFn>("GetDpiForWindow");
    const int dpi = window && getDpiForWindow ? static_cast<int>(getDpiForWindow(window)) : 0;
    return dpi > 0 ? dpi : SystemDpi();
}

HFONT MakeFont(int dpi, int points10, bool bold)
{
    // The largest size up to the one asked at which the main form's
    // captions fit.
    HFONT font = nullptr;
    for (int size = points10; size >= 60; size -= 5) {
        if (font)
            DeleteObject(font);
        font = CreateFontW(-MulDiv(size, dpi, 720), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                           DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                           VARIABLE_PITCH | FF_SWISS, L"Tahoma");
        if (bold || forms::CaptionsFit(forms::kMainForm, dpi,
                                       [&](std::string_view caption) { return TextWidth(font, Wide(caption)); }))
            break;
    }
    return font;
}

FormWindow::FormWindow(const forms::Form& form, const wchar_t* className) : form_(form), className_(className) {}

FormWindow::~FormWindow()
{
    if (window_) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
    if (font_)
        DeleteObject(font_);
}

DWORD FormWindow::StyleOf(const forms::Control& control) const
{
    switch (control.kind) {
    case forms::Kind::Frame:
        return BS_GROUPBOX;
    case forms::Kind::Label:
        return SS_OWNERDRAW; // drawn by the form: see DrawLabel
    case forms::Kind::ListBox:
        return LBS_NOTIFY | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP;
    case forms::Kind::Button:
        return BS_PUSHBUTTON | WS_TABSTOP;
    case forms::Kind::Picture:
        return SS_ICON | SS_CENTERIMAGE;
    }
    return 0;
}

void FormWindow::Create(DWORD style, DWORD exStyle, HWND owner, HMENU menu)
{
    style_ = style;
    exStyle_ = exStyle;
    dpi_ = SystemDpi();
    const RECT outer = AdjustedRect(forms::ToPixels(form_.clientWidth, dpi_), forms::ToPixels(form_.clientHeight, dpi_),
                                    style, exStyle, menu != nullptr, dpi_);
    window_ = CreateWindowExW(exStyle, className_, Wide(forms::Said(form_.caption)).c_str(), style, CW_USEDEFAULT,
                              CW_USEDEFAULT, outer.right - outer.left, outer.bottom - outer.top, owner, menu,
                              Instance(), this);
    if (!window_)
        throw std::runtime_error("the window could not be created");
    dpi_ = DpiOf(window_);

    // Frames and labels first, then the controls that take the focus in the
    // order of their tab indexes: the system tabs through them in the order
    // they were made.
    std::vector<const forms::Control*> order;
    for (const forms::Control& control : form_.controls)
        if (control.kind != forms::Kind::Button && control.kind != forms::Kind::ListBox)
            order.push_back(&control);
    const auto tabbed = forms::TabOrder(form_);
    order.insert(order.end(), tabbed.begin(), tabbed.end());
    for (const forms::Control* control : order) {
        const wchar_t* kind = control->kind == forms::Kind::Frame || control->kind == forms::Kind::Button ? L"BUTTON"
                              : control->kind == forms::Kind::ListBox                                     ? L"LISTBOX"
                                                                                                          : L"STATIC";
        const DWORD edge = control->kind == forms::Kind::ListBox ? WS_EX_CLIENTEDGE : 0;
        const HWND child = CreateWindowExW(
            edge, kind, L"", WS_CHILD | WS_VISIBLE | StyleOf(*control), 0, 0, 0, 0, window_,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(form_, control->name))), Instance(), nullptr);
        if (control->kind == forms::Kind::Frame)
            SetWindowSubclass(child, FrameProcedure, 1, 0);
        controls_[std::string(control->name)] = child;
    }
    Layout();
}

SIZE FormWindow::WindowSize() const
{
    const RECT outer = AdjustedRect(forms::ToPixels(form_.clientWidth, dpi_), forms::ToPixels(form_.clientHeight, dpi_),
                                    style_, exStyle_, GetMenu(window_) != nullptr, dpi_);
    return {outer.right - outer.left, outer.bottom - outer.top};
}

void FormWindow::Layout()
{
    if (font_)
        DeleteObject(font_);
    font_ = MakeFont(dpi_);
    for (const forms::Control& control : form_.controls) {
        const HWND child = controls_.at(std::string(control.name));
        const forms::Rect rect = forms::ToPixels(forms::ClientRect(form_, control), dpi_);
        SetWindowPos(child, nullptr, rect.left, rect.top, rect.width, rect.height, SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    }
    // Captions after the font, so that a control that measures its caption
    // when it is set measures it in the font it is drawn in.
    if (!captioned_) {
        captioned_ = true;
        for (const forms::Control& control : form_.controls)
            SetWindowTextW(controls_.at(std::string(control.name)), Wide(forms::InitialCaption(control)).c_str());
    }
    Relaid();
    InvalidateRect(window_, nullptr, TRUE);
}

LRESULT CALLBACK FormWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* self = static_cast<FormWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_DPICHANGED) {
        self->dpi_ = HIWORD(wParam);
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        const SIZE size = self->WindowSize();
        SetWindowPos(window, nullptr, suggested->left, suggested->top, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
        // The frame is the system's to draw at its own size, which need not
        // be the one computed for the new DPI: the client area is what must
        // fit the form.
        RECT outer{}, client{};
        GetWindowRect(window, &outer);
        GetClientRect(window, &client);
        const int width = forms::ToPixels(self->form_.clientWidth, self->dpi_),
                  height = forms::ToPixels(self->form_.clientHeight, self->dpi_);
        if (client.right != width || client.bottom != height)
            SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left + width - client.right,
                         outer.bottom - outer.top + height - client.bottom, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
        self->Layout();
        return 0;
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
        self->controls_.clear();
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return self->OnMessage(message, wParam, lParam);
}

// A label's text, wrapped at words, in the control's font and the theme's
// colours.
void FormWindow::DrawLabel(const DRAWITEMSTRUCT& item) const
{
    const int length = GetWindowTextLengthW(item.hwndItem);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    GetWindowTextW(item.hwndItem, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(length));
    RECT rect = item.rcItem;
    FillRect(item.hDC, &rect, GetSysColorBrush(COLOR_BTNFACE));
    const auto font = reinterpret_cast<HFONT>(SendMessageW(item.hwndItem, WM_GETFONT, 0, 0));
    const HGDIOBJ old = SelectObject(item.hDC, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, GetSysColor(COLOR_BTNTEXT));
    const UINT format = LabelFormat(GetDlgCtrlID(item.hwndItem));
    // Lines are broken a little short of the edge and not cut there.
    rect.right = rect.left + forms::DrawnWidth(rect.right - rect.left);
    DrawTextW(item.hDC, text.c_str(), length, &rect, format | DT_NOCLIP);
    SelectObject(item.hDC, old);
}

UINT FormWindow::LabelFormat(int /*id*/) const
{
    return DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX;
}

LRESULT FormWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DRAWITEM) {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item->CtlType == ODT_STATIC) {
            DrawLabel(*item);
            return TRUE;
        }
    }

    return DefWindowProcW(window_, message, wParam, lParam);
}

void Initialise(HINSTANCE program)
{
    SetInstance(program);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    RegisterReportClass();

    for (const wchar_t* name : {kMainClass, kAboutClass}) {
        WNDCLASSEXW form{};
        form.cbSize = sizeof form;
        form.lpfnWndProc = FormWindow::Procedure;
        form.hInstance = Instance();
        form.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        form.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        form.hIcon = AppIcon(GetSystemMetrics(SM_CXICON));
        form.hIconSm = AppIcon(GetSystemMetrics(SM_CXSMICON));
        form.lpszClassName = name;
        RegisterClassExW(&form);
    }
}

} // namespace ovcache::win32
