#include "mainwindow/frmOVCache.h"

#include "about/frmAbout.h"
#include "catalogue/commands.h"
#include "mainwindow/icons.h"
#include "mainwindow/messageBox.h"
#include "mainwindow/qtForm.h"
#include "mainwindow/textCodec.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QMenuBar>
#include <QPushButton>
#include <algorithm>
#include <map>

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
    lstCache = Place(new QListWidget(frmMaps), "lstCache");
    lstCache->setSelectionMode(QAbstractItemView::SingleSelection);
    lstCache->setUniformItemSizes(true);
    cmdMoveAll = Make<QPushButton>("cmdMoveAll", client);
    cmdClear = Make<QPushButton>("cmdClear", client);
    cmdMove = Make<QPushButton>("cmdMove", client);
    for (QPushButton* button : {cmdMove, cmdMoveAll, cmdClear}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

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
    command();
    FlushList();
}

void frmOVCache::FlushList() const
{
    if (pending_.empty())
        return;
    // Sorted without regard to case, as a sorted list box keeps its entries;
    // the whole list is laid out once.
    std::vector<std::string> rows = std::move(rows_);
    rows.insert(rows.end(), std::make_move_iterator(pending_.begin()), std::make_move_iterator(pending_.end()));
    pending_.clear();
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(rows.size()));
    std::vector<QString> keys;
    keys.reserve(rows.size());
    for (const std::string& row : rows) {
        texts << FromCp1252(row);
        keys.push_back(texts.back().toCaseFolded());
    }
    std::vector<std::size_t> order(rows.size());
    for (std::size_t k = 0; k < order.size(); ++k)
        order[k] = k;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
    QStringList sortedTexts;
    sortedTexts.reserve(texts.size());
    rows_.clear();
    rows_.reserve(rows.size());
    for (const std::size_t k : order) {
        sortedTexts << texts[static_cast<qsizetype>(k)];
        rows_.push_back(std::move(rows[k]));
    }
    lstCache->clear();
    lstCache->addItems(sortedTexts);
}

void frmOVCache::ClearList()
{
    pending_.clear();
    rows_.clear();
    lstCache->clear();
}

void frmOVCache::AddListEntry(const std::string& text)
{
    pending_.push_back(text);
}

std::string frmOVCache::SelectedEntry() const
{
    FlushList();
    const int row = lstCache->currentRow();
    const QListWidgetItem* item = lstCache->currentItem();
    if (!item || !item->isSelected() || row < 0 || static_cast<std::size_t>(row) >= rows_.size())
        return {};
    return rows_[static_cast<std::size_t>(row)]; // the entry's own bytes, as the index holds them
}

void frmOVCache::SetLabel(DataLabel label, const std::string& caption)
{
    QLabel* target = label == DataLabel::Path        ? lblPathData
                     : label == DataLabel::FileCount ? lblFileCountData
                                                     : lblCacheSizeData;
    const QString text = FromCp1252(caption);
    // A long path is shortened in the middle to fit; the whole of it is in
    // the tooltip.
    target->setText(target->fontMetrics().elidedText(text, Qt::ElideMiddle, target->width()));
    target->setToolTip(target->text() == text ? QString() : text);
    target->setProperty("fullText", text);
}

int frmOVCache::MsgBox(const std::string& text, const std::string& title, MsgIcon icon, MsgButtons buttons)
{
    FlushList();
    return MessageBox::Show(isVisible() ? this : nullptr, FromCp1252(text), FromCp1252(title), icon, buttons);
}

void frmOVCache::ShowReport(const std::string& summary, const std::string& details, const std::string& title)
{
    FlushList();
    MessageBox::Show(isVisible() ? this : nullptr, FromCp1252(summary), FromCp1252(title), MsgIcon::Critical,
                     MsgButtons::OK, FromCp1252(details));
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
