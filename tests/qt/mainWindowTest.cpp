#include "qt/frmOVCache.h"
#include "qt/messageBox.h"
#include "qt/prefixChooser.h"
#include "testSupport.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>
#include <gtest/gtest.h>

namespace ovcache {
namespace {

using test::TempPrefix;
namespace fs = std::filesystem;

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        MessageBox::SetNextAnswers({});
        prefix.MakeGame();
        prefix.WriteIndex({"[Cache]", "A=dm-beta.kmx", "B=Bot.u", "C=CTF-Alpha.kmx", "D=DM-Gamma.kmx"});
        for (const char* key : {"A", "B", "C", "D"})
            prefix.AddCached(key);
    }
    void TearDown() override { MessageBox::Reset(); }

    static QRect Twip(int left, int top, int width, int height)
    {
        return {left / 15, top / 15, width / 15, height / 15};
    }
    static QStringList Items(const QListView* list)
    {
        QStringList items;
        for (int row = 0; row < list->model()->rowCount(); ++row)
            items << list->model()->index(row, 0).data().toString();
        return items;
    }
    static void Choose(QListView* list, int row) { list->setCurrentIndex(list->model()->index(row, 0)); }

    TempPrefix prefix;
};

TEST_F(MainWindowTest, windowIsDrawnAsDesigned)
{
    frmOVCache w;
    ASSERT_TRUE(w.Form_Load());
    EXPECT_EQ(w.windowTitle(), "Orvane Cache Importer");
    EXPECT_EQ(w.centralWidget()->size(), QSize(297, 299));
    EXPECT_EQ(w.minimumSize(), w.maximumSize()); // not resizable
    EXPECT_TRUE(w.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(w.windowIcon().isNull());

    const struct {
        QWidget* widget;
        QWidget* parent;
        QString caption;
        QRect rect;
    } controls[] = {
        {w.frmCacheDir, w.centralWidget(), "Cache Directory Information", Twip(120, 120, 4215, 1095)},
        {w.lblCacheSize, w.frmCacheDir, "Cache Size:", Twip(120, 720, 1215, 255)},
        {w.lblCacheSizeData, w.frmCacheDir, QString(), Twip(1560, 720, 2535, 255)},
        {w.lblFileCount, w.frmCacheDir, "Number of Files:", Twip(120, 480, 1215, 255)},
        {w.lblFileCountData, w.frmCacheDir, QString(), Twip(1560, 480, 2535, 255)},
        {w.lblPathData, w.frmCacheDir, QString(), Twip(1560, 240, 2535, 255)},
        {w.lblPath, w.frmCacheDir, "Cache Directory:", Twip(120, 240, 1215, 255)},
        {w.frmMaps, w.centralWidget(), "Cached Maps", Twip(120, 1320, 4215, 2535)},
        {w.lstCache, w.frmMaps, QString(), Twip(120, 240, 3975, 2205)},
        {w.cmdMoveAll, w.centralWidget(), "Move All", Twip(1560, 3960, 1215, 375)},
        {w.cmdClear, w.centralWidget(), "Clear Cache", Twip(3000, 3960, 1335, 375)},
        {w.cmdMove, w.centralWidget(), "Move", Twip(120, 3960, 1215, 375)},
    };
    for (const auto& c : controls) {
        SCOPED_TRACE(c.widget->objectName().toStdString());
        EXPECT_EQ(c.widget->parentWidget(), c.parent);
        EXPECT_EQ(c.widget->geometry(), c.rect);
        if (auto* label = qobject_cast<QLabel*>(c.widget); label && !c.caption.isEmpty()) {
            EXPECT_EQ(label->text(), c.caption);
            EXPECT_LE(label->fontMetrics().horizontalAdvance(c.caption), c.rect.width()) << "caption clipped";
        }
        if (auto* button = qobject_cast<QPushButton*>(c.widget)) {
            EXPECT_EQ(button->text(), c.caption);
            EXPECT_FALSE(button->isDefault());
        }
        if (auto* frame = qobject_cast<QGroupBox*>(c.widget)) {
            EXPECT_EQ(frame->title(), c.caption);
        }
    }

    // Tab order follows the tab indexes: Move, Clear Cache, Move All, the list.
    const auto next = [](QWidget* widget) {
        do
            widget = widget->nextInFocusChain();
        while (widget->focusPolicy() == Qt::NoFocus);
        return widget;
    };
    EXPECT_EQ(next(w.cmdMove), w.cmdClear);
    EXPECT_EQ(next(w.cmdClear), w.cmdMoveAll);
    EXPECT_EQ(next(w.cmdMoveAll), w.lstCache);
    EXPECT_EQ(next(w.lstCache), w.cmdMove);
    EXPECT_EQ(w.focusWidget(), w.cmdMove); // focused first
}

TEST_F(MainWindowTest, menusHaveTheirCaptionsInOrderWithoutShortcuts)
{
    frmOVCache w;
    ASSERT_TRUE(w.Form_Load());
    QStringList bar;
    for (QAction* a : w.menuBar()->actions())
        bar << a->text();
    EXPECT_EQ(bar, (QStringList{"&File", "&Edit", "&Help"}));
    const auto texts = [](QMenu* m) {
        QStringList out;
        for (QAction* a : m->actions())
            out << (a->isSeparator() ? QString("-") : a->text());
        return out;
    };
    EXPECT_EQ(texts(w.menuBar()->actions()[0]->menu()), QStringList{"E&xit"});
    EXPECT_EQ(texts(w.menuBar()->actions()[1]->menu()), (QStringList{"&Move", "Move &All", "-", "&Clear Cache"}));
    EXPECT_EQ(texts(w.menuBar()->actions()[2]->menu()), QStringList{"&About"});
    for (QAction* a : {w.mnuExit, w.mnuMove, w.mnuMoveAll, w.mnuClearCache, w.mnuAbout}) {
        EXPECT_TRUE(a->shortcut().isEmpty());
    }
}

TEST_F(MainWindowTest, listIsSortedWithoutRegardToCaseAndLabelsAreFilled)
{
    frmOVCache w;
    ASSERT_TRUE(w.Form_Load());
    EXPECT_EQ(Items(w.lstCache), (QStringList{"CTF-Alpha.kmx", "dm-beta.kmx", "DM-Gamma.kmx"}));
    EXPECT_EQ(w.lblFileCountData->text(), "4");
    EXPECT_EQ(w.lblCacheSizeData->text(), " Megabytes");
    EXPECT_EQ(w.lblPathData->property("fullText").toString(), QString::fromStdString(prefix.CacheWin()));
    EXPECT_LE(w.lblPathData->fontMetrics().horizontalAdvance(w.lblPathData->text()), w.lblPathData->width());
    EXPECT_TRUE(MessageBox::Seen().empty());
}

TEST_F(MainWindowTest, longPathIsShortenedToFitWithTheWholeInTheTooltip)
{
    const std::string longFolder = "C:\\Program Files (x86)\\Some Publisher\\Orvane Game Of The Year";
    fs::create_directories(prefix.Drive() / "Program Files (x86)" / "Some Publisher" / "Orvane Game Of The Year" /
                           "Cache");
    fs::copy(prefix.Cache() / "cache.ini", prefix.Drive() / "Program Files (x86)" / "Some Publisher" /
                                               "Orvane Game Of The Year" / "Cache" / "cache.ini");
    prefix.RegisterGame(longFolder);
    frmOVCache w;
    ASSERT_TRUE(w.Form_Load());
    EXPECT_LE(w.lblPathData->fontMetrics().horizontalAdvance(w.lblPathData->text()), w.lblPathData->width());
    EXPECT_EQ(w.lblPathData->toolTip(), QString::fromStdString(longFolder + "\\Cache"));
}

TEST_F(MainWindowTest, moveButtonAndMenuItemRunTheCommand)
{
    frmOVCache w;
    ASSERT_TRUE(w.Form_Load());
    w.cmdMove->click();
    ASSERT_EQ(MessageBox::Seen().size(), 1u);
    EXPECT_EQ(MessageBox::Seen()[0].title, "Choose File");

    Choose(w.lstCache, 1); // dm-beta.kmx
    w.mnuMove->trigger();
    EXPECT_TRUE(fs::exists(prefix.Game() / "Maps" / "dm-beta.kmx"));
    EXPECT_TRUE(fs::exists(prefix.Game() / "System" / "Bot.u"));
    EXPECT_EQ(Items(w.lstCache), (QStringList{"CTF-Alpha.kmx", "DM-Gamma.kmx"}));
    EXPECT_EQ(w.lblFileCountData->text(), "2");
}

TEST_F(MainWindowTest, accentedNamesShowDecodedAndMoveByTheirOwnBytes)
{
    prefix.WriteIndex({"[Cache]", "E=\xC9t\xE9.kmx", "A=dm-beta.kmx"});
    prefix.AddCached("E");
    frmOVCache w;
    ASSERT_TRUE(w.Form_Load());
    EXPECT_EQ(Items(w.lstCache), (QStringList{"dm-beta.kmx", QString::fromUtf8("\u00C9t\u00E9.kmx")}));
    Choose(w.lstCache, 1);
    EXPECT_EQ(w.SelectedEntry(), "\xC9t\xE9.kmx");
    w.cmdMove->click();
    EXPECT_TRUE(fs::exists(prefix.Game() / "Maps" / u8"\u00C9t\u00E9.kmx"));
    EXPECT_EQ(Items(w.lstCache), QStringList{"dm-beta.kmx"});
}

TEST_F(MainWindowTest, moveAllAndClearCacheFromTheirButtons)
{
    frmOVCache w;
    ASSERT_TRUE(w.Form_Load());
    w.cmdMoveAll->click();
    EXPECT_EQ(w.lstCache->model()->rowCount(), 0);
    EXPECT_EQ(w.lblFileCountData->text(), "0");
    EXPECT_EQ(w.lblCacheSizeData->text(), "0 Megabytes");
    EXPECT_TRUE(fs::exists(prefix.Game() / "Maps" / "DM-Gamma.kmx"));

    MessageBox::SetNextAnswers({vbYes});
    test::WriteFile(prefix.Cache() / "junk.uxx", "j");
    w.mnuClearCache->trigger();
    ASSERT_EQ(MessageBox::Seen().size(), 1u);
    EXPECT_EQ(MessageBox::Seen()[0].title, "Clear Cache");
    EXPECT_FALSE(fs::exists(prefix.Cache() / "junk.uxx"));
}

TEST_F(MainWindowTest, missingIndexShowsTheBoxAndEndsBeforeTheWindowAppears)
{
    fs::remove(prefix.Cache() / "cache.ini");
    frmOVCache w;
    EXPECT_FALSE(w.Form_Load());
    EXPECT_TRUE(w.Ended());
    EXPECT_NE(w.ExitCode(), 0);
    EXPECT_FALSE(w.isVisible());
    ASSERT_EQ(MessageBox::Seen().size(), 1u);
    EXPECT_EQ(MessageBox::Seen()[0].title, "Cache.ini Missing");
    EXPECT_EQ(MessageBox::Seen()[0].icon, MsgIcon::Critical);
}

// As on the system's own list box and buttons: the navigation keys choose
// the entry under the caret, the first one included, and Enter presses the
// focused button. Screen readers hear the captions the form shows.
TEST_F(MainWindowTest, keyboardChoosesEntriesAndEnterPressesTheFocusedButton)
{
    frmOVCache w;
    ASSERT_TRUE(w.Form_Load());
    const auto press = [](QWidget* widget, int key) {
        QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(widget, &down);
    };
    for (const int key : {int(Qt::Key_Home), int(Qt::Key_Down), int(Qt::Key_Up)}) {
        w.lstCache->clearSelection();
        w.lstCache->selectionModel()->setCurrentIndex(w.lstCache->model()->index(0, 0), QItemSelectionModel::NoUpdate);
        press(w.lstCache, key);
        EXPECT_EQ(w.SelectedEntry(), "CTF-Alpha.kmx") << key;
    }
    press(w.lstCache, Qt::Key_Down);
    EXPECT_EQ(w.SelectedEntry(), "dm-beta.kmx");
    press(w.lstCache, Qt::Key_End);
    EXPECT_EQ(w.SelectedEntry(), "DM-Gamma.kmx");

    press(w.cmdMove, Qt::Key_Return);
    EXPECT_TRUE(MessageBox::Seen().empty());
    EXPECT_TRUE(fs::exists(prefix.Game() / "Maps" / "DM-Gamma.kmx"));

    EXPECT_EQ(w.lstCache->accessibleName(), "Cached Maps");
    EXPECT_EQ(w.lblPathData->accessibleName(), "Cache Directory:");
    EXPECT_EQ(w.lblFileCountData->accessibleName(), "Number of Files:");
    EXPECT_EQ(w.lblCacheSizeData->accessibleName(), "Cache Size:");
}

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
        ASSERT_EQ(first.list->count(), 2);
        EXPECT_TRUE(first.list->item(0)->text().contains("/p/wine  (Wine)"));
        EXPECT_EQ(first.Chosen().prefix, "/p/wine");
        first.list->setCurrentRow(1);
        first.Remember();
    }
    PrefixChooser again(found);
    EXPECT_EQ(again.list->currentRow(), 0);
    EXPECT_EQ(again.Chosen().prefix, "/p/steam/pfx");
    EXPECT_TRUE(again.list->item(0)->text().startsWith("C:\\Program Files (x86)\\Orvane"));
    QTimer::singleShot(0, [&] {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(again.list, &escape);
    });
    EXPECT_EQ(again.exec(), QDialog::Rejected);
    QSettings().clear();
}

TEST_F(MainWindowTest, exitEndsTheProgram)
{
    frmOVCache w;
    ASSERT_TRUE(w.Form_Load());
    w.mnuExit->trigger();
    EXPECT_TRUE(w.Ended());
    EXPECT_EQ(w.ExitCode(), 0);
}

} // namespace
} // namespace ovcache
