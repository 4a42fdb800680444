#pragma once
// A window laid out from a form table at its monitor's DPI, with the ids
// of its controls and the program's font.
#include "forms/formTable.h"

#include <map>
#include <string>
#include <string_view>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace ovcache::win32 {

// The window classes of the two forms.
inline constexpr wchar_t kMainClass[] = L"OrvaneCacheImporter";
inline constexpr wchar_t kAboutClass[] = L"OrvaneCacheImporterAbout";
// Control ids: a control's index in its form table from 100 on, a menu
// item's from 1000 on, so that neither meets IDOK or IDCANCEL.
constexpr int kFirstControlId = 100;
constexpr int kFirstMenuId = 1000;
int ControlId(const forms::Form& form, std::string_view name);
int MenuId(const forms::Form& form, std::string_view name);

// The DPI a window is shown at, and the system's when it has none yet.
int DpiOf(HWND window);
// The outer rectangle of a window whose client area is width by height at
// that DPI.
RECT AdjustedRect(int width, int height, DWORD style, DWORD exStyle, bool menu, int dpi);

// A top-level window built from a form table: its controls are children of
// the window, placed at their client rectangles, and are placed again when
// the window moves to a monitor of another DPI.
class FormWindow {
public:
    FormWindow(const forms::Form& form, const wchar_t* className);
    virtual ~FormWindow();
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;

    HWND Handle() const { return window_; }
    HWND Control(std::string_view name) const { return controls_.at(std::string(name)); }
    int Dpi() const { return dpi_; }

protected:
    // Creates the window and its controls, hidden; style and owner as given.
    void Create(DWORD style, DWORD exStyle, HWND owner, HMENU menu);
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // The style of a control of that name and kind, beyond WS_CHILD | WS_VISIBLE.
    virtual DWORD StyleOf(const forms::Control& control) const;
    // How a label of that control id draws its text (DrawText flags).
    virtual UINT LabelFormat(int id) const;
    // Fonts of the new DPI have been made and the controls placed.
    virtual void Relaid() {}
    HFONT Font() const { return font_; }

public:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    void Layout();
    SIZE WindowSize() const;
    void DrawLabel(const DRAWITEMSTRUCT& item) const;

    const forms::Form& form_;
    const wchar_t* className_;
    HWND window_ = nullptr;
    HFONT font_ = nullptr;
    int dpi_ = 96;
    bool captioned_ = false;
    DWORD style_ = 0, exStyle_ = 0;
    std::map<std::string, HWND> controls_;
};

// The program's font at a DPI: a small sans-serif face at which every caption
// of the main form fits its label.
HFONT MakeFont(int dpi, int points10 = 80, bool bold = false);

// Registers the window classes and the common controls; once, at start-up.
void Initialise(HINSTANCE instance);

} // namespace ovcache::win32
