#pragma once
// The two forms as drawn: every control with its kind, container, caption,
// rectangle in twips and tab index, the menus, and the About box's etched
// rule. Both window layers lay their windows out from these tables.
#include "words/translation.h"

#include <functional>
#include <span>
#include <string_view>
#include <vector>

namespace ovcache::forms {

enum class Kind { Frame, Label, ListBox, Button, Picture };

struct Control {
    std::string_view name;
    Kind kind;
    std::string_view container;   // "" for the window itself
    std::string_view caption;     // "" for none
    int left, top, width, height; // twips, within the container
    int tabIndex;
};

struct MenuItem {
    std::string_view name;
    std::string_view caption; // "-" for a separator line
    std::string_view under;   // "" for the menu bar
};

struct Line {
    int x1, y1, x2, y2; // twips
    bool highlight;     // the white half of an etched rule; otherwise the grey one
    int width;          // pixels at 96 DPI
};

struct Form {
    std::string_view name;
    std::string_view caption;
    int clientWidth, clientHeight; // twips
    std::span<const Control> controls;
    std::span<const MenuItem> menus;
    std::span<const Line> lines;
};

extern const Form kMainForm;
extern const Form kAboutForm;

// The placeholder caption of the run-time labels in the form's table.
inline constexpr std::string_view kPlaceholder = "Label1";
// A caption as the player reads it, in the language chosen.
inline std::string_view Said(std::string_view caption)
{
    return caption.empty() || caption == "-" ? caption : TV(caption);
}
// What a control shows until the program sets it: a run-time label shows
// nothing, since the window can be shown while the cache is measured.
inline std::string_view InitialCaption(const Control& control)
{
    return control.caption == kPlaceholder ? std::string_view() : Said(control.caption);
}

struct Rect {
    int left, top, width, height;
};

// The control of that name; the form's tables are fixed, so a name that is
// not there is a programming error (std::out_of_range).
const Control& Find(const Form& form, std::string_view name);
// Its rectangle in twips within the window's client area.
Rect ClientRect(const Form& form, const Control& control);
// The controls that take the focus, in the order of their tab indexes.
std::vector<const Control*> TabOrder(const Form& form);

// The label that captions a value label: "lblPath" for "lblPathData".
std::string_view CaptionOf(std::string_view valueLabel);

// The width a label's text is drawn in: a little short of its edge, since
// some systems (Wine among them) draw a face up to a twentyfifth wider than
// they measure it.
constexpr int DrawnWidth(int pixels)
{
    return pixels - pixels / 25;
}

// Whether a font fits the form: every caption of its labels (not the
// placeholders of the labels set at run time), in English and in the
// language chosen, fits the width its label draws it in at that DPI,
// measured by width in the front end's font.
bool CaptionsFit(const Form& form, int dpi, const std::function<int(std::string_view caption)>& width);

// 1440 twips to the inch: 15 twips a pixel at 96 DPI.
constexpr int ToPixels(int twips, int dpi = 96)
{
    return twips * dpi / 1440;
}
Rect ToPixels(const Rect& twips, int dpi = 96);

} // namespace ovcache::forms
