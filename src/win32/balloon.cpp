#include "win32/balloon.h"

#include "platform/codePage.h"
#include "win32/icons.h"

#include <shellapi.h>

namespace ovcache::win32 {
namespace {

constexpr UINT kIconMessage = WM_APP + 1;
constexpr UINT kLongest = 6000; // ms the balloon is given before the program ends

LRESULT CALLBACK BalloonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kIconMessage) {
        const UINT event = LOWORD(lParam);
        if (event == NIN_BALLOONTIMEOUT || event == NIN_BALLOONUSERCLICK || event == NIN_BALLOONHIDE)
            PostQuitMessage(0);
        return 0;
    }
    if (message == WM_TIMER) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// The text into a field of the structure, cut with an ellipsis when it does
// not fit, never inside a surrogate pair.
template <std::size_t N> void Put(wchar_t (&field)[N], const std::string& text)
{
    std::u16string wide = Utf8ToUtf16(text);
    if (wide.size() >= N) {
        std::size_t keep = N - 2;
        if (keep > 0 && wide[keep - 1] >= 0xD800 && wide[keep - 1] <= 0xDBFF)
            --keep;
        wide.resize(keep);
        wide += u'\u2026';
    }
    wide.copy(reinterpret_cast<char16_t*>(field), wide.size());
    field[wide.size()] = L'\0';
}

} // namespace

void BalloonNotifier::Notify(const std::string& title, const std::string& line)
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW type{};
    type.lpfnWndProc = BalloonProc;
    type.hInstance = instance;
    type.lpszClassName = L"OrvaneCacheImporterBalloon";
    RegisterClassW(&type);
    const HWND window = CreateWindowExW(0, type.lpszClassName, L"", 0, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
    if (!window)
        return;
    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = window;
    icon.uID = 1;
    icon.uFlags = NIF_ICON | NIF_TIP | NIF_MESSAGE | NIF_INFO;
    icon.uCallbackMessage = kIconMessage;
    icon.hIcon = AppIcon(GetSystemMetrics(SM_CXSMICON));
    icon.dwInfoFlags = NIIF_INFO;
    Put(icon.szTip, title);
    Put(icon.szInfoTitle, title);
    Put(icon.szInfo, line);
    // No notification area (a session without Explorer): nothing to wait for.
    if (Shell_NotifyIconW(NIM_ADD, &icon)) {
        icon.uVersion = NOTIFYICON_VERSION_4;
        Shell_NotifyIconW(NIM_SETVERSION, &icon);
        SetTimer(window, 1, kLongest, nullptr);
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0)
            DispatchMessageW(&message);
        Shell_NotifyIconW(NIM_DELETE, &icon);
    }
    DestroyWindow(window);
}

} // namespace ovcache::win32
