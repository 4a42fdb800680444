#include "forms/formTable.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>

namespace ovcache::forms {

const Control& Find(const Form& form, std::string_view name)
{
    for (const Control& control : form.controls)
        if (control.name == name)
            return control;
    throw std::out_of_range("no control " + std::string(name) + " on " + std::string(form.name));
}

Rect ClientRect(const Form& form, const Control& control)
{
    Rect rect{control.left, control.top, control.width, control.height};
    if (!control.container.empty()) {
        const Control& container = Find(form, control.container);
        rect.left += container.left;
        rect.top += container.top;
    }
    return rect;
}

std::vector<const Control*> TabOrder(const Form& form)
{
    std::vector<const Control*> order;
    for (const Control& control : form.controls)
        if (control.kind == Kind::Button || control.kind == Kind::ListBox)
            order.push_back(&control);
    std::sort(order.begin(), order.end(), [](const Control* a, const Control* b) { return a->tabIndex < b->tabIndex; });
    return order;
}

Rect ToPixels(const Rect& twips, int dpi)
{
    return {ToPixels(twips.left, dpi), ToPixels(twips.top, dpi), ToPixels(twips.width, dpi),
            ToPixels(twips.height, dpi)};
}

bool CaptionsFit(const Form& form, int dpi, const std::function<int(std::string_view caption)>& width)
{
    // The English too, so that the window's font is the size the form has in
    // English whatever the language: a translation fits it, or is shortened.
    for (const Control& control : form.controls)
        if (control.kind == Kind::Label && !control.caption.empty() && control.caption != kPlaceholder &&
            std::max(width(control.caption), width(Said(control.caption))) > DrawnWidth(ToPixels(control.width, dpi)))
            return false;
    return true;
}

std::string_view CaptionOf(std::string_view valueLabel)
{
    return valueLabel.ends_with("Data") ? valueLabel.substr(0, valueLabel.size() - 4) : valueLabel;
}

} // namespace ovcache::forms
