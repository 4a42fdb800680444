#include "qt/frmAbout.h"
#include "qt/frmOVCache.h"
#include "qt/messageBox.h"
#include "testSupport.h"
#include "version.h"

#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

namespace ovcache {
namespace {

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
    static QRect Twip(int left, int top, int width, int height)
    {
        return {left / 15, top / 15, width / 15, height / 15};
    }
    TempPrefix prefix;
    frmOVCache main;
};

TEST_F(AboutBoxTest, boxIsDrawnAsDesigned)
{
    main.mnuAbout->trigger();
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

    EXPECT_EQ(box->picIcon->geometry(), Twip(240, 240, 540, 540));
    EXPECT_EQ(box->picIcon->pixmap().size(), QSize(32, 32));
    EXPECT_EQ(box->cmdOK->geometry(), Twip(4245, 2625, 1260, 345));
    EXPECT_EQ(box->cmdSysInfo->geometry(), Twip(4260, 3075, 1245, 345));
    EXPECT_EQ(box->lblDescription->geometry(), Twip(1050, 1125, 3885, 1170));
    EXPECT_EQ(box->lblTitle->geometry(), Twip(1050, 240, 3885, 480));
    EXPECT_EQ(box->lblVersion->geometry(), Twip(1050, 780, 3885, 225));
    EXPECT_EQ(box->lblDisclaimer->geometry(), Twip(240, 2625, 3870, 825));

    EXPECT_EQ(box->cmdOK->text(), "OK");
    EXPECT_EQ(box->cmdSysInfo->text(), "&System Info...");
    EXPECT_EQ(box->lblTitle->text(), "Orvane Cache Importer");
    EXPECT_EQ(box->lblVersion->text(), OVCACHE_VERSION);
    EXPECT_EQ(box->lblDescription->text(),
              "The orvane cache directory can accumulate unwanted files.  This program allows you to keep the maps "
              "you want and clear the ones you don't so you don't keep accumulating unwanted files and wasting disk "
              "space.");
    EXPECT_EQ(box->lblDisclaimer->text(),
              "Warning: The author of this program is providing it AS IS. The author is not responsible for any "
              "damage that occurs as a result of the use of this product.");
    EXPECT_TRUE(box->cmdOK->isDefault());
    EXPECT_EQ(box->focusWidget(), box->cmdOK); // focused first

    // Every text fits its label.
    for (QLabel* label : {box->lblTitle, box->lblVersion, box->lblDescription, box->lblDisclaimer})
        EXPECT_LE(label->heightForWidth(label->width()) > 0 ? label->heightForWidth(label->width())
                                                            : label->sizeHint().height(),
                  label->height())
            << label->objectName().toStdString();
}

TEST_F(AboutBoxTest, secondAboutShowsTheSameBoxAndOkOrEscHidesIt)
{
    main.mnuAbout_Click();
    frmAbout* first = main.AboutBox();
    first->cmdOK->click();
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
    main.AboutBox()->cmdSysInfo->click();
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
    main.AboutBox()->cmdSysInfo->click();
    ASSERT_EQ(MessageBox::Seen().size(), 1u);
    EXPECT_EQ(MessageBox::Seen()[0].text, "System Information Is Unavailable At This Time");
}

} // namespace
} // namespace ovcache
