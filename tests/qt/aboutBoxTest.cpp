#include "qt/form.h"
#include "qt/frmAbout.h"
#include "qt/frmOVCache.h"
#include "qt/messageBox.h"
#include "testSupport.h"
#include "version.h"
#include "widgets.h"

#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>
#include <map>

namespace ovcache {
namespace {

using test::Child;
using test::TempPrefix;

class AboutBoxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        MessageBox::SetNextAnswers({});
        prefix.MakeGame();
        prefix.WriteIndex({"[Cache]"});
        ASSERT_TRUE(main.Form_Load());
    }
    void TearDown() override { MessageBox::Reset(); }
    TempPrefix prefix;
    frmOVCache main;
};

TEST_F(AboutBoxTest, boxIsDrawnAsDesigned)
{
    Child<QAction>(main, "mnuAbout")->trigger();
    frmAbout* box = main.AboutBox();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->parentWidget(), nullptr);
    EXPECT_FALSE(box->isModal());
    EXPECT_EQ(box->windowTitle(), "About Orvane Cache Importer");
    EXPECT_EQ(box->size(), QSize(382, 237));
    EXPECT_EQ(box->minimumSize(), box->maximumSize());
    EXPECT_FALSE(box->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(box->windowFlags() & Qt::WindowType_Mask, Qt::Tool); // kept out of the task bar

    // Each control where the form's twips put it, in pixels at 96 DPI.
    const std::map<std::string, QRect> placed = {
        {"picIcon", {16, 16, 36, 36}},         {"cmdOK", {283, 175, 84, 23}},   {"cmdSysInfo", {284, 205, 83, 23}},
        {"lblDescription", {70, 75, 259, 78}}, {"lblTitle", {70, 16, 259, 32}}, {"lblVersion", {70, 52, 259, 15}},
        {"lblDisclaimer", {16, 175, 258, 55}},
    };
    ASSERT_EQ(placed.size(), forms::kAboutForm.controls.size());
    for (const forms::Control& c : forms::kAboutForm.controls) {
        SCOPED_TRACE(std::string(c.name));
        EXPECT_EQ(Child<QWidget>(*box, std::string(c.name).c_str())->geometry(), placed.at(std::string(c.name)));
    }
    EXPECT_EQ(Child<QLabel>(*box, "picIcon")->pixmap().size(), QSize(32, 32));
    EXPECT_EQ(Child<QPushButton>(*box, "cmdOK")->text(), "OK");
    EXPECT_EQ(Child<QPushButton>(*box, "cmdSysInfo")->text(), "&System Info...");
    EXPECT_EQ(Child<QLabel>(*box, "lblTitle")->text(), "Orvane Cache Importer");
    EXPECT_EQ(Child<QLabel>(*box, "lblVersion")->text(), OVCACHE_VERSION);
    EXPECT_EQ(Child<QLabel>(*box, "lblDescription")->text(),
              "The orvane cache directory can accumulate unwanted files.  This program allows you to keep the maps "
              "you want and clear the ones you don't so you don't keep accumulating unwanted files and wasting disk "
              "space.");
    EXPECT_EQ(Child<QLabel>(*box, "lblDisclaimer")->text(),
              "Warning: The author of this program is providing it AS IS. The author is not responsible for any "
              "damage that occurs as a result of the use of this product.");
    EXPECT_TRUE(Child<QPushButton>(*box, "cmdOK")->isDefault());
    EXPECT_EQ(box->focusWidget(), Child<QPushButton>(*box, "cmdOK")); // focused first

    // Every text fits its label.
    for (QLabel* label : {Child<QLabel>(*box, "lblTitle"), Child<QLabel>(*box, "lblVersion"),
                          Child<QLabel>(*box, "lblDescription"), Child<QLabel>(*box, "lblDisclaimer")})
        EXPECT_LE(label->heightForWidth(label->width()) > 0 ? label->heightForWidth(label->width())
                                                            : label->sizeHint().height(),
                  label->height())
            << label->objectName().toStdString();
}

TEST_F(AboutBoxTest, secondAboutShowsTheSameBoxAndOkOrEscHidesIt)
{
    main.mnuAbout_Click();
    frmAbout* first = main.AboutBox();
    Child<QPushButton>(*first, "cmdOK")->click();
    EXPECT_FALSE(first->isVisible());
    main.mnuAbout_Click();
    EXPECT_EQ(main.AboutBox(), first);
    EXPECT_TRUE(first->isVisible());
    first->reject(); // what Esc does
    EXPECT_FALSE(first->isVisible());
}

TEST_F(AboutBoxTest, systemInfoWithoutRegistryValuesSaysItIsUnavailable)
{
    main.mnuAbout_Click();
    Child<QPushButton>(*main.AboutBox(), "cmdSysInfo")->click();
    ASSERT_EQ(MessageBox::Seen().size(), 1u);
    EXPECT_EQ(MessageBox::Seen()[0].text, "System Information Is Unavailable At This Time");
    EXPECT_EQ(MessageBox::Seen()[0].title, "Orvane Cache Importer");
    EXPECT_EQ(MessageBox::Seen()[0].icon, MsgIcon::None);
    EXPECT_TRUE(main.AboutBox()->isVisible());
}

TEST_F(AboutBoxTest, systemInfoNamingAMissingProgramSaysItIsUnavailable)
{
    prefix.WriteSystemReg("WINE REGISTRY Version 2\n#arch=win32\n\n"
                          "[Software\\\\Zephiral Technology\\\\Installed Apps\\\\Orvane] 1\n"
                          "\"Folder\"=\"C:\\\\Games\\\\Orvane\"\n"
                          "[Software\\\\Microsoft\\\\Shared Tools\\\\MSINFO] 1\n"
                          "\"PATH\"=\"C:\\\\Missing\\\\msinfo32.exe\"\n");
    main.mnuAbout_Click();
    Child<QPushButton>(*main.AboutBox(), "cmdSysInfo")->click();
    ASSERT_EQ(MessageBox::Seen().size(), 1u);
    EXPECT_EQ(MessageBox::Seen()[0].text, "System Information Is Unavailable At This Time");
}

} // namespace
} // namespace ovcache
