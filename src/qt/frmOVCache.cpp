#include "qt/frmOVCache.h"

#include "qt/frmAbout.h"
#include "catalogue/commands.h"
#include "qt/cacheListModel.h"
#include "qt/icons.h"
#include "qt/messageBox.h"
#include "qt/qtForm.h"
#include "qt/textCodec.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QLocale>
#include <QMenuBar>
#include <QProgressDialog>
#include <QPushButton>
#include <algorithm>
#include <climits>
#include <map>
#include <utility>

namespace ovcache {
namespace {

template <typename Widget> Widget* Place(Widget* widget, std::string_view name)
{
    return ovcache::Place(forms::kMainForm, widget, name);
}

QString Caption(std::string_view name)
{
    return ovcache::Caption(forms::kMainForm, name);
}

template <typename Widget> Widget* Make(std::string_view name, QWidget* parent)
{
    return Place(new Widget(Caption(name), parent), name);
}

} // namespace

// A small sans-serif face, at the largest size up to 11 pixels at which the
// widest caption fits its 81-pixel label whole.
QFont WindowFont()
{
    QFont font;
    font.setFamilies({"Tahoma", "Liberation Sans", "Arial", "DejaVu Sans"});
    for (int size = 11; size >= 8; --size) {
        font.setPixelSize(size);
        const QFontMetrics metrics(font);
        if (std::max(metrics.horizontalAdvance("Cache Directory:"), metrics.horizontalAdvance("Number of Files:")) <=
            Twips(1215))
            break;
    }
    return font;
}

frmOVCache::frmOVCache(QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                              Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName("frmOVCache");
    setWindowTitle(FromCp1252(forms::kMainForm.caption));
    setWindowIcon(AppIcon());
    setFont(WindowFont());
    BuildControls();
    BuildMenus();
    setFixedSize(Twips(forms::kMainForm.clientWidth),
                 Twips(forms::kMainForm.clientHeight) + menuBar()->sizeHint().height());

    QString separator = QLocale().groupSeparator();
    state_.strGroupSeparator = separator.isEmpty() ? std::string() : ToCp1252(separator);
    if (state_.strGroupSeparator == "?")
        state_.strGroupSeparator = "\xA0"; // a narrow space the code page lacks
}

frmOVCache::~frmOVCache() = default;

void frmOVCache::BuildControls()
{
    auto* client = new QWidget(this);
    client->setFixedSize(Twips(forms::kMainForm.clientWidth), Twips(forms::kMainForm.clientHeight));
    setCentralWidget(client);

    frmCacheDir = Make<QGroupBox>("frmCacheDir", client);
    lblCacheSize = Make<QLabel>("lblCacheSize", frmCacheDir);
    lblCacheSizeData = Make<QLabel>("lblCacheSizeData", frmCacheDir);
    lblFileCount = Make<QLabel>("lblFileCount", frmCacheDir);
    lblFileCountData = Make<QLabel>("lblFileCountData", frmCacheDir);
    lblPathData = Make<QLabel>("lblPathData", frmCacheDir);
    lblPath = Make<QLabel>("lblPath", frmCacheDir);
    frmMaps = Make<QGroupBox>("frmMaps", client);
    lstCache = Place(new QListView(frmMaps), "lstCache");
    model_ = new CacheListModel(lstCache);
    lstCache->setModel(model_);
    lstCache->setSelectionMode(QAbstractItemView::SingleSelection);
    lstCache->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstCache->setUniformItemSizes(true);
    cmdMoveAll = Make<QPushButton>("cmdMoveAll", client);
    cmdClear = Make<QPushButton>("cmdClear", client);
    cmdMove = Make<QPushButton>("cmdMove", client);
    for (QPushButton* button : {cmdMove, cmdMoveAll, cmdClear}) {
        button->setAutoDefault(false);
        button->setDefault(false);
        button->installEventFilter(this);
    }
    lstCache->installEventFilter(this);
    // Named for screen readers as the form shows them.
    lstCache->setAccessibleName(Caption("frmMaps"));
    lblPathData->setAccessibleName(Caption("lblPath"));
    lblFileCountData->setAccessibleName(Caption("lblFileCount"));
    lblCacheSizeData->setAccessibleName(Caption("lblCacheSize"));

    // The tab order of the form table: Move, Clear Cache, Move All, the list.
    const auto order = forms::TabOrder(forms::kMainForm);
    const auto widget = [&](const forms::Control* c) { return findChild<QWidget*>(FromCp1252(c->name)); };
    for (std::size_t k = 0; k + 1 < order.size(); ++k)
        setTabOrder(widget(order[k]), widget(order[k + 1]));
    widget(order.front())->setFocus();

    connect(cmdMove, &QPushButton::clicked, this, &frmOVCache::cmdMove_Click);
    connect(cmdMoveAll, &QPushButton::clicked, this, &frmOVCache::cmdMoveAll_Click);
    connect(cmdClear, &QPushButton::clicked, this, &frmOVCache::cmdClear_Click);
}

void frmOVCache::BuildMenus()
{
    // Each item of the form's menu table with its handler.
    const struct {
        std::string_view name;
        QAction** action;
        void (frmOVCache::*handler)();
    } items[] = {
        {"mnuExit", &mnuExit, &frmOVCache::mnuExit_Click},
        {"mnuMove", &mnuMove, &frmOVCache::mnuMove_Click},
        {"mnuMoveAll", &mnuMoveAll, &frmOVCache::mnuMoveAll_Click},
        {"mnuSeparator", &mnuSeparator, nullptr},
        {"mnuClearCache", &mnuClearCache, &frmOVCache::mnuClearCache_Click},
        {"mnuAbout", &mnuAbout, &frmOVCache::mnuAbout_Click},
    };
    std::map<std::string_view, QMenu*> menus;
    for (const forms::MenuItem& item : forms::kMainForm.menus) {
        const QString name = FromCp1252(item.name);
        const QString caption = FromCp1252(item.caption);
        if (item.under.empty()) {
            QMenu* menu = menuBar()->addMenu(caption);
            menu->setObjectName(name);
            menus[item.name] = menu;
            continue;
        }
        QMenu* menu = menus.at(item.under);
        const auto found =
            std::find_if(std::begin(items), std::end(items), [&](const auto& i) { return i.name == item.name; });
        QAction* action = item.caption == "-" ? menu->addSeparator() : menu->addAction(caption);
        action->setObjectName(name);
        if (found != std::end(items)) {
            *found->action = action;
            if (found->handler)
                connect(action, &QAction::triggered, this, found->handler);
        }
    }
}

bool frmOVCache::Form_Load(std::unique_ptr<FileSystemService> fso)
{
    bool loaded = false;
    Run([&] { loaded = ovcache::Form_Load(state_, *this, fso ? std::move(fso) : CreateFileSystemService()); });
    return loaded && !ended_;
}

void frmOVCache::Run(const std::function<void()>& command)
{
    // One command at a time: the window takes no other until this one ends.
    if (busy_)
        return;
    busy_ = true;
    busySince_ = QDateTime::currentMSecsSinceEpoch();
    lastPaint_ = busySince_;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    command();
    FlushList();
    delete progress_;
    progress_ = nullptr;
    QApplication::restoreOverrideCursor();
    busy_ = false;
}

void frmOVCache::Progress(std::size_t done, std::size_t total)
{
    // Painted every tenth of a second; after half a second the count shows.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now - lastPaint_ < 100)
        return;
    lastPaint_ = now;
    if (!progress_ && now - busySince_ >= 500 && isVisible()) {
        progress_ = new QProgressDialog(this);
        progress_->setWindowTitle(windowTitle());
        progress_->setCancelButton(nullptr);
        progress_->setWindowModality(Qt::WindowModal);
        progress_->setMinimumDuration(0);
        progress_->setAutoClose(false);
        progress_->setAutoReset(false);
    }
    if (progress_) {
        progress_->setMaximum(static_cast<int>(std::min<std::size_t>(total, INT_MAX)));
        progress_->setValue(static_cast<int>(std::min<std::size_t>(done, INT_MAX)));
        progress_->setLabelText(QString("%1 of %2 files").arg(done).arg(total));
    }
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

template <typename Show> int frmOVCache::Modal(Show show)
{
    FlushList();
    if (progress_)
        progress_->hide();
    if (busy_)
        QApplication::restoreOverrideCursor();
    const int answer = show(isVisible() ? this : nullptr);
    if (busy_)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    if (progress_)
        progress_->show();
    return answer;
}

bool frmOVCache::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QMainWindow::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (auto* button = qobject_cast<QPushButton*>(watched); button && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
        button->click();
        return true;
    }
    if (watched == lstCache && model_->rowCount() > 0 &&
        (key == Qt::Key_Home || key == Qt::Key_End || key == Qt::Key_Up || key == Qt::Key_Down ||
         key == Qt::Key_PageUp || key == Qt::Key_PageDown)) {
        // With nothing chosen yet, Up, Down and Home choose the entry under
        // the caret, as a list box of the system does; then each key moves
        // and chooses.
        QItemSelectionModel* selection = lstCache->selectionModel();
        const QModelIndex current = lstCache->currentIndex();
        if ((!current.isValid() || !selection->isSelected(current)) && key != Qt::Key_End && key != Qt::Key_PageDown) {
            const int row = key == Qt::Key_Home || !current.isValid() ? 0 : current.row();
            selection->setCurrentIndex(model_->index(row), QItemSelectionModel::ClearAndSelect);
            return true;
        }
        static_cast<QObject*>(lstCache)->event(event);
        if (const QModelIndex moved = lstCache->currentIndex(); moved.isValid())
            selection->setCurrentIndex(moved, QItemSelectionModel::ClearAndSelect);
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmOVCache::FlushList() const
{
    if (pending_.empty())
        return;
    // Entries arrive in index order and are sorted once, not one at a time.
    model_->Add(std::exchange(pending_, {}));
}

void frmOVCache::ClearList()
{
    pending_.clear();
    model_->Clear();
}

void frmOVCache::AddListEntry(const std::string& text)
{
    pending_.push_back(text);
}

std::string frmOVCache::SelectedEntry() const
{
    FlushList();
    const QModelIndex current = lstCache->currentIndex();
    if (!current.isValid() || !lstCache->selectionModel()->isSelected(current))
        return {};
    return model_->Entry(current.row()); // the entry's own bytes, as the index holds them
}

void frmOVCache::SetLabel(DataLabel label, const std::string& caption)
{
    // The labels follow the list, and the cache is still being measured for
    // the last two: the list is sorted now, meanwhile.
    FlushList();
    QLabel* target = label == DataLabel::Path        ? lblPathData
                     : label == DataLabel::FileCount ? lblFileCountData
                                                     : lblCacheSizeData;
    const QString text = FromCp1252(caption);
    // A long path is shortened in the middle to fit; the whole of it is in
    // the tooltip.
    target->setText(target->fontMetrics().elidedText(text, Qt::ElideMiddle, target->width()));
    target->setToolTip(target->text() == text ? QString() : text);
    target->setAccessibleDescription(target->text() == text ? QString() : text);
    target->setProperty("fullText", text);
}

int frmOVCache::MsgBox(const std::string& text, const std::string& title, MsgIcon icon, MsgButtons buttons)
{
    return Modal(
        [&](QWidget* owner) { return MessageBox::Show(owner, FromCp1252(text), FromCp1252(title), icon, buttons); });
}

void frmOVCache::ShowReport(const std::string& summary, const std::string& details, const std::string& title)
{
    Modal([&](QWidget* owner) {
        return MessageBox::Show(owner, FromCp1252(summary), FromCp1252(title), MsgIcon::Critical, MsgButtons::OK,
                                FromCp1252(details));
    });
}

void frmOVCache::EndProgram(int exitCode)
{
    ended_ = true;
    exitCode_ = exitCode;
    QCoreApplication::exit(exitCode);
}

void frmOVCache::cmdClear_Click()
{
    Run([this] { ovcache::cmdClear_Click(state_, *this); });
}

void frmOVCache::cmdMove_Click()
{
    Run([this] { ovcache::cmdMove_Click(state_, *this); });
}

void frmOVCache::cmdMoveAll_Click()
{
    Run([this] { ovcache::cmdMoveAll_Click(state_, *this); });
}

void frmOVCache::mnuAbout_Click()
{
    // One box for the run, modeless and owned by no window.
    if (!about_)
        about_ = std::make_unique<frmAbout>();
    about_->show();
    about_->raise();
    about_->activateWindow();
    about_->cmdOK->setFocus(); // shown as new, whatever had the focus before
}

void frmOVCache::closeEvent(QCloseEvent* event)
{
    // The About box goes with the main window; the run ends with it.
    if (about_)
        about_->close();
    QMainWindow::closeEvent(event);
}

void frmOVCache::mnuClearCache_Click()
{
    cmdClear_Click();
}

void frmOVCache::mnuExit_Click()
{
    EndProgram(0);
}

void frmOVCache::mnuMove_Click()
{
    cmdMove_Click();
}

void frmOVCache::mnuMoveAll_Click()
{
    cmdMoveAll_Click();
}

} // namespace ovcache
