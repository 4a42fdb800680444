#include "mainwindow/frmOVCache.h"

#include "about/frmAbout.h"
#include "catalogue/commands.h"
#include "mainwindow/icons.h"
#include "mainwindow/messageBox.h"
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

namespace ovcache {
namespace {

constexpr int kClientWidth = 4455;
constexpr int kClientHeight = 4485;
template <typename Widget> Widget* Place(Widget* widget, const char* name, int left, int top, int width, int height)
{
    widget->setObjectName(name);
    widget->setGeometry(Twips(left), Twips(top), Twips(width), Twips(height));
    return widget;
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
    setWindowTitle("Orvane Cache Importer");
    setWindowIcon(AppIcon());
    setFont(WindowFont());
    BuildControls();
    BuildMenus();
    setFixedSize(Twips(kClientWidth), Twips(kClientHeight) + menuBar()->sizeHint().height());

    QString separator = QLocale().groupSeparator();
    state_.strGroupSeparator = separator.isEmpty() ? std::string() : ToCp1252(separator);
    if (state_.strGroupSeparator == "?")
        state_.strGroupSeparator = "\xA0"; // a narrow space the code page lacks
}

frmOVCache::~frmOVCache() = default;

void frmOVCache::BuildControls()
{
    auto* client = new QWidget(this);
    client->setFixedSize(Twips(kClientWidth), Twips(kClientHeight));
    setCentralWidget(client);

    frmCacheDir = Place(new QGroupBox("Cache Directory Information", client), "frmCacheDir", 120, 120, 4215, 1095);
    lblCacheSize = Place(new QLabel("Cache Size:", frmCacheDir), "lblCacheSize", 120, 720, 1215, 255);
    lblCacheSizeData = Place(new QLabel("Label1", frmCacheDir), "lblCacheSizeData", 1560, 720, 2535, 255);
    lblFileCount = Place(new QLabel("Number of Files:", frmCacheDir), "lblFileCount", 120, 480, 1215, 255);
    lblFileCountData = Place(new QLabel("Label1", frmCacheDir), "lblFileCountData", 1560, 480, 2535, 255);
    lblPathData = Place(new QLabel("Label1", frmCacheDir), "lblPathData", 1560, 240, 2535, 255);
    lblPath = Place(new QLabel("Cache Directory:", frmCacheDir), "lblPath", 120, 240, 1215, 255);
    frmMaps = Place(new QGroupBox("Cached Maps", client), "frmMaps", 120, 1320, 4215, 2535);
    lstCache = Place(new QListWidget(frmMaps), "lstCache", 120, 240, 3975, 2205);
    lstCache->setSelectionMode(QAbstractItemView::SingleSelection);
    lstCache->setUniformItemSizes(true);
    cmdMoveAll = Place(new QPushButton("Move All", client), "cmdMoveAll", 1560, 3960, 1215, 375);
    cmdClear = Place(new QPushButton("Clear Cache", client), "cmdClear", 3000, 3960, 1335, 375);
    cmdMove = Place(new QPushButton("Move", client), "cmdMove", 120, 3960, 1215, 375);
    for (QPushButton* button : {cmdMove, cmdMoveAll, cmdClear}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    setTabOrder(cmdMove, cmdClear);
    setTabOrder(cmdClear, cmdMoveAll);
    setTabOrder(cmdMoveAll, lstCache);
    cmdMove->setFocus();

    connect(cmdMove, &QPushButton::clicked, this, &frmOVCache::cmdMove_Click);
    connect(cmdMoveAll, &QPushButton::clicked, this, &frmOVCache::cmdMoveAll_Click);
    connect(cmdClear, &QPushButton::clicked, this, &frmOVCache::cmdClear_Click);
}

void frmOVCache::BuildMenus()
{
    QMenu* mnuFile = menuBar()->addMenu("&File");
    mnuFile->setObjectName("mnuFile");
    mnuExit = mnuFile->addAction("E&xit", this, &frmOVCache::mnuExit_Click);
    mnuExit->setObjectName("mnuExit");

    QMenu* mnuEdit = menuBar()->addMenu("&Edit");
    mnuEdit->setObjectName("mnuEdit");
    mnuMove = mnuEdit->addAction("&Move", this, &frmOVCache::mnuMove_Click);
    mnuMove->setObjectName("mnuMove");
    mnuMoveAll = mnuEdit->addAction("Move &All", this, &frmOVCache::mnuMoveAll_Click);
    mnuMoveAll->setObjectName("mnuMoveAll");
    mnuSeparator = mnuEdit->addSeparator();
    mnuSeparator->setObjectName("mnuSeparator");
    mnuClearCache = mnuEdit->addAction("&Clear Cache", this, &frmOVCache::mnuClearCache_Click);
    mnuClearCache->setObjectName("mnuClearCache");

    QMenu* mnuHelp = menuBar()->addMenu("&Help");
    mnuHelp->setObjectName("mnuHelp");
    mnuAbout = mnuHelp->addAction("&About", this, &frmOVCache::mnuAbout_Click);
    mnuAbout->setObjectName("mnuAbout");
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
