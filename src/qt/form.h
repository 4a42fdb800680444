#pragma once
// Qt widgets placed and captioned from the form tables.
#include "forms/formTable.h"
#include "qt/textCodec.h"

#include <QFont>
#include <QGroupBox>
#include <QWidget>
#include <string>

namespace ovcache {

// Twips, the unit the forms are drawn in, to logical pixels.
constexpr int Twips(int twips)
{
    return forms::ToPixels(twips);
}

template <typename Widget> Widget* Place(const forms::Form& form, Widget* widget, std::string_view name)
{
    const forms::Control& control = forms::Find(form, name);
    widget->setObjectName(FromUtf8(name));
    widget->setGeometry(Twips(control.left), Twips(control.top), Twips(control.width), Twips(control.height));
    return widget;
}

// The program's font: a small sans-serif face at which every caption of the
// main form fits its label.
QFont WindowFont();

// Qt's own words (the buttons of its boxes, its folder dialog) in the
// language the program speaks, from Qt's translations; false when there are
// none for it (English, or Qt's translations not installed).
bool UseQtTranslations(const std::string& language);

// A frame as the forms draw one: its border runs through the middle of its
// title line, so that the children the form places below the title sit
// inside the border, whatever the style would draw.
class FormFrame : public QGroupBox {
public:
    using QGroupBox::QGroupBox;
    // Where the border's top line is drawn, in the frame's own coordinates.
    int BorderTop() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

inline QString Caption(const forms::Form& form, std::string_view name)
{
    return FromUtf8(forms::InitialCaption(forms::Find(form, name)));
}

} // namespace ovcache
