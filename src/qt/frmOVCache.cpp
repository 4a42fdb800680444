#include "qt/frmOVCache.h"

#include "catalogue/commands.h"
#include "qt/cacheListModel.h"
#include "qt/form.h"
#include "qt/frmAbout.h"
#include "qt/icons.h"
#include "qt/messageBox.h"
#include "qt/textCodec.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QLocale>
#include <QMenuBar>
#include <QProgressDialog>
#include <QPushButton>
#include <algorithm>
#include <climits>
#include <functional>
#include <map>
#include <utility>

namespace ovcache {
namespace {

const forms::Form& kForm = forms::kMainForm;

template <typename Widget> Widget* Make(std::string_view name, QWidget* parent)
{
    return Place(kForm, new Widget(Caption(kForm, name), parent), name);
}

} // namespace

// What only Qt does for the shared form.
class frmOVCache::Hooks final : public forms::WindowHooks {
public:
    explicit Hooks(frmOVCache& window) : w_(window) {}

    void AddRows(const ListRows& entries) override { w_.model_->Add(entries); }
    void ClearRows() override { w_.model_->Clear(); }
    std::string SelectedRow() const override
    {
        const QModelIndex current = w_.lstCache->currentIndex();
        if (!current.isValid() || !w_.lstCache->selectionModel()->isSelected(current))
            return {};
        return w_.model_->Entry(current.row()); // the entry's own bytes, as the index holds them
    }
    void ShowLabel(std::string_view name, const std::string& caption) override
    {
        auto* target = w_.findChild<QLabel*>(FromUtf8(name));
        const QString text = FromUtf8(caption);
        // A long path is shortened in the middle to fit; the whole of it is
        // in the tooltip and told to screen readers.
        target->setText(target->fontMetrics().elidedText(text, Qt::ElideMiddle, target->width()));
        target->setToolTip(target->text() == text ? QString() : text);
        target->setAccessibleDescription(target->text() == text ? QString() : text);
        target->setProperty("fullText", text);
        // A screen reader hears the caption and the value together.
        target->setAccessibleName(Caption(kForm, forms::CaptionOf(name)) + " " + text);
    }
    MsgAnswer ShowBox(const std::string& text, const std::string& title, MsgIcon icon, MsgButtons buttons) override
    {
        return MessageBox::Show(w_.Owner(), FromUtf8(text), FromUtf8(title), icon, buttons);
    }
    void ShowReportBox(const std::string& summary, const std::string& details, const std::string& title) override
    {
        MessageBox::Show(w_.Owner(), FromUtf8(summary), FromUtf8(title), MsgIcon::Critical, MsgButtons::OK,
                         FromUtf8(details));
    }
    void Quit(int exitCode) override { QCoreApplication::exit(exitCode); }

    void SetBusy(bool busy) override
    {
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    }
    void ShowProgress(std::size_t done, std::size_t total) override
    {
        QProgressDialog*& progress = w_.progress_;
        if (!progress) {
            progress = new QProgressDialog(&w_);
            progress->setWindowTitle(w_.windowTitle());
            progress->setCancelButton(nullptr);
            progress->setWindowModality(Qt::WindowModal);
            progress->setMinimumDuration(0);
            progress->setAutoClose(false);
            progress->setAutoReset(false);
        }
        progress->setMaximum(static_cast<int>(std::min<std::size_t>(total, INT_MAX)));
        progress->setValue(static_cast<int>(std::min<std::size_t>(done, INT_MAX)));
        progress->setLabelText(FromUtf8(
            Fill(T("{done} of {total} files"), {{"done", std::to_string(done)}, {"total", std::to_string(total)}})));
        progress->show();
    }
    void HideProgress() override
    {
        if (w_.progress_)
            w_.progress_->hide();
    }
    void KeepPainted() override { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }
    bool Shown() const override { return w_.isVisible(); }

private:
    frmOVCache& w_;
};

frmOVCache::frmOVCache(QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                              Qt::MSWindowsFixedSizeDialogHint),
      forms::MainForm(std::make_unique<Hooks>(*this))
{
    setObjectName("frmOVCache");
    setWindowTitle(FromUtf8(forms::Said(forms::kMainForm.caption)));
    setWindowIcon(AppIcon());
    setFont(WindowFont());
    BuildControls();
    BuildMenus();
    setFixedSize(Twips(forms::kMainForm.clientWidth),
                 Twips(forms::kMainForm.clientHeight) + menuBar()->sizeHint().height());

    SetGroupSeparator(GroupSeparator(ToUtf8(QLocale().groupSeparator())));
}

frmOVCache::~frmOVCache() = default;

void frmOVCache::BuildControls()
{
    auto* client = new QWidget(this);
    client->setFixedSize(Twips(forms::kMainForm.clientWidth), Twips(forms::kMainForm.clientHeight));
    setCentralWidget(client);

    auto* frmCacheDir = Make<FormFrame>("frmCacheDir", client);
    Make<QLabel>("lblCacheSize", frmCacheDir);
    auto* lblCacheSizeData = Make<QLabel>("lblCacheSizeData", frmCacheDir);
    Make<QLabel>("lblFileCount", frmCacheDir);
    auto* lblFileCountData = Make<QLabel>("lblFileCountData", frmCacheDir);
    auto* lblPathData = Make<QLabel>("lblPathData", frmCacheDir);
    Make<QLabel>("lblPath", frmCacheDir);
    auto* frmMaps = Make<FormFrame>("frmMaps", client);
    lstCache = Place(kForm, new QListView(frmMaps), "lstCache");
    model_ = new CacheListModel(lstCache);
    lstCache->setModel(model_);
    lstCache->setSelectionMode(QAbstractItemView::SingleSelection);
    lstCache->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstCache->setUniformItemSizes(true);
    auto* cmdMoveAll = Make<QPushButton>("cmdMoveAll", client);
    auto* cmdClear = Make<QPushButton>("cmdClear", client);
    auto* cmdMove = Make<QPushButton>("cmdMove", client);
    for (QPushButton* button : {cmdMove, cmdMoveAll, cmdClear}) {
        button->setAutoDefault(false);
        button->setDefault(false);
        button->installEventFilter(this);
    }
    lstCache->installEventFilter(this);
    // Named for screen readers as the form shows them.
    lstCache->setAccessibleName(Caption(kForm, "frmMaps"));
    for (QLabel* value : {lblPathData, lblFileCountData, lblCacheSizeData})
        value->setAccessibleName(Caption(kForm, forms::CaptionOf(value->objectName().toStdString())));

    // The tab order of the form table: Move, Clear Cache, Move All, the list.
    const auto order = forms::TabOrder(forms::kMainForm);
    const auto widget = [&](const forms::Control* c) { return findChild<QWidget*>(FromUtf8(c->name)); };
    for (std::size_t k = 0; k + 1 < order.size(); ++k)
        setTabOrder(widget(order[k]), widget(order[k + 1]));
    widget(order.front())->setFocus();

    connect(cmdMove, &QPushButton::clicked, this, [this] { cmdMove_Click(); });
    connect(cmdMoveAll, &QPushButton::clicked, this, [this] { cmdMoveAll_Click(); });
    connect(cmdClear, &QPushButton::clicked, this, [this] { cmdClear_Click(); });
}

void frmOVCache::BuildMenus()
{
    // Each item of the form's menu table with its handler.
    const std::pair<std::string_view, std::function<void()>> items[] = {
        {"mnuExit", [this] { mnuExit_Click(); }},       {"mnuMove", [this] { mnuMove_Click(); }},
        {"mnuMoveAll", [this] { mnuMoveAll_Click(); }}, {"mnuClearCache", [this] { mnuClearCache_Click(); }},
        {"mnuAbout", [this] { mnuAbout_Click(); }},
    };
    std::map<std::string_view, QMenu*> menus;
    for (const forms::MenuItem& item : forms::kMainForm.menus) {
        const QString name = FromUtf8(item.name);
        const QString caption = FromUtf8(forms::Said(item.caption));
        if (item.under.empty()) {
            QMenu* menu = menuBar()->addMenu(caption);
            menu->setObjectName(name);
            menus[item.name] = menu;
            continue;
        }
        QMenu* menu = menus.at(item.under);
        const auto found =
            std::find_if(std::begin(items), std::end(items), [&](const auto& i) { return i.first == item.name; });
        QAction* action = item.caption == "-" ? menu->addSeparator() : menu->addAction(caption);
        action->setObjectName(name);
        if (found != std::end(items))
            connect(action, &QAction::triggered, this, found->second);
    }
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

void frmOVCache::mnuAbout_Click()
{
    // One box for the run, modeless and owned by no window.
    if (!about_)
        about_ = std::make_unique<frmAbout>();
    about_->Present();
}

void frmOVCache::closeEvent(QCloseEvent* event)
{
    // The About box goes with the main window; the run ends with it.
    if (about_)
        about_->close();
    QMainWindow::closeEvent(event);
}

} // namespace ovcache
