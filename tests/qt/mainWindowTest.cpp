#include "qt/form.h"
#include "qt/frmOVCache.h"
#include "qt/messageBox.h"
#include "qt/prefixChooser.h"
#include "testSupport.h"
#include "widgets.h"

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
#include <map>

namespace ovcache {
namespace {

using test::Child;
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
    // blank until measured, as the window may be shown before
    for (const char* value : {"lblPathData", "lblFileCountData", "lblCacheSizeData"})
        EXPECT_TRUE(Child<QLabel>(w, value)->text().isEmpty()) << value;
    ASSERT_TRUE(w.Form_Load());
    EXPECT_EQ(w.windowTitle(), "Orvane Cache Importer");
    EXPECT_EQ(w.centralWidget()->size(), QSize(297, 299));
    EXPECT_EQ(w.minimumSize(), w.maximumSize()); // not resizable
    EXPECT_TRUE(w.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(w.windowIcon().isNull());

    // Every control of the table, in its container, of the form's size in
    // pixels at 96 DPI (its twips / 15), captioned as the table says, each
    // caption whole in the window's font.
    const std::map<std::string, QRect> placed = {
        {"frmCacheDir", {8, 8, 281, 73}},
        {"lblCacheSize", {8, 48, 81, 17}},
        {"lblCacheSizeData", {104, 48, 169, 17}},
        {"lblFileCount", {8, 32, 81, 17}},
        {"lblFileCountData", {104, 32, 169, 17}},
        {"lblPathData", {104, 16, 169, 17}},
        {"lblPath", {8, 16, 81, 17}},
        {"frmMaps", {8, 88, 281, 169}},
        {"lstCache", {8, 16, 265, 147}},
        {"cmdMoveAll", {104, 264, 81, 25}},
        {"cmdClear", {200, 264, 89, 25}},
        {"cmdMove", {8, 264, 81, 25}},
    };
    ASSERT_EQ(placed.size(), forms::kMainForm.controls.size());
    for (const forms::Control& c : forms::kMainForm.controls) {
        SCOPED_TRACE(std::string(c.name));
        auto* widget = Child<QWidget>(w, std::string(c.name).c_str());
        EXPECT_EQ(widget->parentWidget(),
                  c.container.empty() ? w.centralWidget() : Child<QWidget>(w, std::string(c.container).c_str()));
        EXPECT_EQ(widget->geometry(), placed.at(std::string(c.name)));
        const QString caption = FromUtf8(forms::InitialCaption(c));
        if (auto* label = qobject_cast<QLabel*>(widget); label && !caption.isEmpty()) {
            EXPECT_EQ(label->text(), caption);
            EXPECT_LE(label->fontMetrics().horizontalAdvance(caption), label->width()) << "caption clipped";
        }
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            EXPECT_EQ(button->text(), caption);
            EXPECT_FALSE(button->isDefault());
        }
        if (auto* frame = qobject_cast<QGroupBox*>(widget)) {
            EXPECT_EQ(frame->title(), caption);
        }
        // Inside its frame's border as it is drawn, clear of the etched lines.
        if (qobject_cast<QGroupBox*>(widget->parentWidget())) {
            const auto* frame = dynamic_cast<const FormFrame*>(widget->parentWidget());
            ASSERT_NE(frame, nullptr) << "a frame drawn by the style, not as the form's";
            EXPECT_GT(widget->y(), frame->BorderTop() + 1) << "crosses the frame's top border";
            EXPECT_LT(widget->geometry().bottom(), frame->height() - 2) << "crosses the frame's bottom border";
        }
    }

    // Tab order follows the tab indexes: Move, Clear Cache, Move All, the list.
    const auto next = [](QWidget* widget) {
        do
            widget = widget->nextInFocusChain();
        while (widget->focusPolicy() == Qt::NoFocus);
        return widget;
    };
    EXPECT_EQ(next(Child<QPushButton>(w, "cmdMove")), Child<QPushButton>(w, "cmdClear"));
    EXPECT_EQ(next(Child<QPushButton>(w, "cmdClear")), Child<QPushButton>(w, "cmdMoveAll"));
    EXPECT_EQ(next(Child<QPushButton>(w, "cmdMoveAll")), Child<QListView>(w, "lstCache"));
    EXPECT_EQ(next(Child<QListView>(w, "lstCache")), Child<QPushButton>(w, "cmdMove"));
    EXPECT_EQ(w.focusWidget(), Child<QPushButton>(w, "cmdMove")); // focused first
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
    for (QAction* a : {Child<QAction>(w, "mnuExit"), Child<QAction>(w, "mnuMove"), Child<QAction>(w, "mnuMoveAll"),
                       Child<QAction>(w, "mnuClearCache"), Child<QAction>(w, "mnuAbout")}) {
        EXPECT_TRUE(a->shortcut().isEmpty());
    }
}

TEST_F(MainWindowTest, listIsSortedWithoutRegardToCaseAndLabelsAreFilled)
{
    frmOVCache w;
    ASSERT_TRUE(w.Form_Load());
    EXPECT_EQ(Items(Child<QListView>(w, "lstCache")), (QStringList{"CTF-Alpha.kmx", "dm-beta.kmx", "DM-Gamma.kmx"}));
    EXPECT_EQ(Child<QLabel>(w, "lblFileCountData")->text(), "4");
    EXPECT_EQ(Child<QLabel>(w, "lblCacheSizeData")->text(), " Megabytes");
    EXPECT_EQ(Child<QLabel>(w, "lblPathData")->property("fullText").toString(),
              QString::fromStdString(prefix.CacheWin()));
    EXPECT_LE(Child<QLabel>(w, "lblPathData")->fontMetrics().horizontalAdvance(Child<QLabel>(w, "lblPathData")->text()),
              Child<QLabel>(w, "lblPathData")->width());
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
    EXPECT_LE(Child<QLabel>(w, "lblPathData")->fontMetrics().horizontalAdvance(Child<QLabel>(w, "lblPathData")->text()),
              Child<QLabel>(w, "lblPathData")->width());
    EXPECT_EQ(Child<QLabel>(w, "lblPathData")->toolTip(), QString::fromStdString(longFolder + "\\Cache"));
}

TEST_F(MainWindowTest, moveButtonAndMenuItemRunTheCommand)
{
    frmOVCache w;
    ASSERT_TRUE(w.Form_Load());
    Child<QPushButton>(w, "cmdMove")->click();
    ASSERT_EQ(MessageBox::Seen().size(), 1u);
    EXPECT_EQ(MessageBox::Seen()[0].title, "Choose File");

    Choose(Child<QListView>(w, "lstCache"), 1); // dm-beta.kmx
    Child<QAction>(w, "mnuMove")->trigger();
    EXPECT_TRUE(fs::exists(prefix.Game() / "Maps" / "dm-beta.kmx"));
    EXPECT_TRUE(fs::exists(prefix.Game() / "System" / "Bot.u"));
    EXPECT_EQ(Items(Child<QListView>(w, "lstCache")), (QStringList{"CTF-Alpha.kmx", "DM-Gamma.kmx"}));
    EXPECT_EQ(Child<QLabel>(w, "lblFileCountData")->text(), "2");
}

TEST_F(MainWindowTest, accentedNamesShowDecodedAndMove)
{
    prefix.WriteIndex({"[Cache]", "E=\xC9t\xE9.kmx", "A=dm-beta.kmx"});
    prefix.AddCached("E");
    frmOVCache w;
    ASSERT_TRUE(w.Form_Load());
    EXPECT_EQ(Items(Child<QListView>(w, "lstCache")),
              (QStringList{"dm-beta.kmx", QString::fromUtf8("\u00C9t\u00E9.kmx")}));
    Choose(Child<QListView>(w, "lstCache"), 1);
    EXPECT_EQ(w.SelectedEntry(), "\u00C9t\u00E9.kmx");
    Child<QPushButton>(w, "cmdMove")->click();
    EXPECT_TRUE(fs::exists(prefix.Game() / "Maps" / u8"\u00C9t\u00E9.kmx"));
    EXPECT_EQ(Items(Child<QListView>(w, "lstCache")), QStringList{"dm-beta.kmx"});
}

TEST_F(MainWindowTest, moveAllAndClearCacheFromTheirButtons)
{
    frmOVCache w;
    ASSERT_TRUE(w.Form_Load());
    Child<QPushButton>(w, "cmdMoveAll")->click();
    EXPECT_EQ(Child<QListView>(w, "lstCache")->model()->rowCount(), 0);
    EXPECT_EQ(Child<QLabel>(w, "lblFileCountData")->text(), "0");
    EXPECT_EQ(Child<QLabel>(w, "lblCacheSizeData")->text(), "0 Megabytes");
    EXPECT_TRUE(fs::exists(prefix.Game() / "Maps" / "DM-Gamma.kmx"));

    MessageBox::SetNextAnswers({MsgAnswer::Yes});
    test::WriteFile(prefix.Cache() / "junk.uxx", "j");
    Child<QAction>(w, "mnuClearCache")->trigger();
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
        Child<QListView>(w, "lstCache")->clearSelection();
        Child<QListView>(w, "lstCache")
            ->selectionModel()
            ->setCurrentIndex(Child<QListView>(w, "lstCache")->model()->index(0, 0), QItemSelectionModel::NoUpdate);
        press(Child<QListView>(w, "lstCache"), key);
        EXPECT_EQ(w.SelectedEntry(), "CTF-Alpha.kmx") << key;
    }
    press(Child<QListView>(w, "lstCache"), Qt::Key_Down);
    EXPECT_EQ(w.SelectedEntry(), "dm-beta.kmx");
    press(Child<QListView>(w, "lstCache"), Qt::Key_End);
    EXPECT_EQ(w.SelectedEntry(), "DM-Gamma.kmx");

    press(Child<QPushButton>(w, "cmdMove"), Qt::Key_Return);
    EXPECT_TRUE(MessageBox::Seen().empty());
    EXPECT_TRUE(fs::exists(prefix.Game() / "Maps" / "DM-Gamma.kmx"));

    EXPECT_EQ(Child<QListView>(w, "lstCache")->accessibleName(), "Cached Maps");
    // Each value label tells its caption and its value.
    for (const auto& [value, caption] :
         {std::pair{"lblPathData", "Cache Directory: "}, std::pair{"lblFileCountData", "Number of Files: "},
          std::pair{"lblCacheSizeData", "Cache Size: "}})
        EXPECT_EQ(Child<QLabel>(w, value)->accessibleName(),
                  caption + Child<QLabel>(w, value)->property("fullText").toString());
}

TEST_F(MainWindowTest, exitEndsTheProgram)
{
    frmOVCache w;
    ASSERT_TRUE(w.Form_Load());
    Child<QAction>(w, "mnuExit")->trigger();
    EXPECT_TRUE(w.Ended());
    EXPECT_EQ(w.ExitCode(), 0);
}

} // namespace
} // namespace ovcache
