// The windows in every language the program speaks: every caption whole on
// its line, in the windows' own font, which stays the size it has in English
// (a translation that does not fit is to be shortened, not the form). Run at
// 96 DPI, and again with Qt's scale factor at 2 (192 DPI).
#include "forms/formTable.h"
#include "qt/form.h"
#include "qt/frmAbout.h"
#include "qt/frmOVCache.h"
#include "qt/textCodec.h"
#include "widgets.h"
#include "words/translation.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

namespace ovcache {
namespace {

using test::Child;

// The room a caption has in its control, in the control's font.
void ExpectFits(const QWidget& window, const forms::Form& form)
{
    for (const forms::Control& c : form.controls) {
        const QString caption = FromUtf8(forms::InitialCaption(c));
        if (caption.isEmpty() || c.name == "lblVersion")
            continue;
        SCOPED_TRACE(std::string(c.name) + ": " + caption.toStdString());
        auto* widget = Child<QWidget>(window, std::string(c.name).c_str());
        const QFontMetrics metrics(widget->font());
        const int width = metrics.horizontalAdvance(QString(caption).remove('&'));
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            EXPECT_EQ(label->text(), caption);
            if (label->wordWrap())
                EXPECT_LE(label->heightForWidth(label->width()), label->height()) << "the text runs past its label";
            else
                EXPECT_LE(width, forms::DrawnWidth(label->width())) << "the caption would be clipped";
        } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
            EXPECT_EQ(button->text(), caption);
            EXPECT_LE(width + 8, button->width()) << "the caption touches the button's edges";
        } else if (auto* frame = qobject_cast<QGroupBox*>(widget)) {
            EXPECT_LE(width + 16, frame->width()) << "the title runs past its frame";
        }
    }
}

TEST(Languages, everyCaptionFitsInEveryLanguage)
{
    UseLanguage({});
    const int englishSize = WindowFont().pixelSize();
    std::vector<std::string> languages = CatalogueLanguages();
    languages.insert(languages.begin(), "");
    for (const std::string& language : languages) {
        SCOPED_TRACE(language.empty() ? std::string("English") : language);
        ASSERT_EQ(UseLanguage({language}), language);
        EXPECT_EQ(WindowFont().pixelSize(), englishSize) << "the captions shrink the windows' font";
        const frmOVCache main;
        ExpectFits(main, forms::kMainForm);
        const frmAbout about;
        ExpectFits(about, forms::kAboutForm);
    }
    UseLanguage({});
}

// Qt's own buttons in the language the program speaks, and in English again.
TEST(Languages, qtsOwnButtonsSpeakTheLanguageToo)
{
    ASSERT_TRUE(UseQtTranslations("de")) << "Qt's translations (qt6-translations-l10n) are not installed";
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), "&Ja");
    EXPECT_FALSE(UseQtTranslations(""));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), "&Yes");
}

} // namespace
} // namespace ovcache
