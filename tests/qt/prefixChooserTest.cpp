#include "qt/prefixChooser.h"
#include "widgets.h"

#include <QApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>
#include <gtest/gtest.h>

namespace ovcache {
namespace {

using test::Child;

// Several prefixes hold the game: the last one chosen comes first, selected;
// Esc ends without a choice.
TEST(PrefixChooserTest, lastChoiceComesFirstSelectedAndEscapeEnds)
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName("orvane-cache-importer-tests");
    QSettings().clear();
    const std::vector<GamePrefix> found = {{"/p/wine", "C:\\Games\\Orvane", "Wine"},
                                           {"/p/steam/pfx", "C:\\Program Files (x86)\\Orvane", "Steam"}};
    {
        PrefixChooser first(found);
        ASSERT_EQ(Child<QListWidget>(first, "lstPrefixes")->count(), 2);
        EXPECT_TRUE(Child<QListWidget>(first, "lstPrefixes")->item(0)->text().contains("/p/wine  (Wine)"));
        EXPECT_EQ(first.Chosen().prefix, "/p/wine");
        Child<QListWidget>(first, "lstPrefixes")->setCurrentRow(1);
        first.Remember();
    }
    PrefixChooser again(found);
    EXPECT_EQ(Child<QListWidget>(again, "lstPrefixes")->currentRow(), 0);
    EXPECT_EQ(again.Chosen().prefix, "/p/steam/pfx");
    EXPECT_TRUE(
        Child<QListWidget>(again, "lstPrefixes")->item(0)->text().startsWith("C:\\Program Files (x86)\\Orvane"));
    QTimer::singleShot(0, [&] {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(Child<QListWidget>(again, "lstPrefixes"), &escape);
    });
    EXPECT_EQ(again.exec(), QDialog::Rejected);
    QSettings().clear();
}

} // namespace
} // namespace ovcache
