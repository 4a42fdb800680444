#pragma once
// The main window: the cache statistics, the list of cached maps, the three
// command buttons and the menus. It owns the working state of the run; its
// handlers hand the work to the cache commands.
#include "catalogue/cacheView.h"
#include "catalogue/workingState.h"

#include <QFont>
#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QGroupBox;
class QLabel;
class QListView;
class QProgressDialog;
class QPushButton;

namespace ovcache {

class CacheListModel;
class frmAbout;

class frmOVCache : public QMainWindow, public CacheView {
    Q_OBJECT
public:
    explicit frmOVCache(QWidget* parent = nullptr);
    ~frmOVCache() override;

    // Start-up, before the window is shown. False when the program has ended
    // (the cache index is missing); ExitCode() then says with what status.
    bool Form_Load(std::unique_ptr<FileSystemService> fso = nullptr);
    bool Ended() const { return ended_; }
    int ExitCode() const { return exitCode_; }

    // CacheView
    void ClearList() override;
    void AddListEntry(const std::string& text) override;
    std::string SelectedEntry() const override;
    void SetLabel(DataLabel label, const std::string& caption) override;
    int MsgBox(const std::string& text, const std::string& title, MsgIcon icon, MsgButtons buttons) override;
    void ShowReport(const std::string& summary, const std::string& details, const std::string& title) override;
    void EndProgram(int exitCode) override;
    void Progress(std::size_t done, std::size_t total) override;

    WorkingState& State() { return state_; }
    // The About box, once Help > About has made it.
    frmAbout* AboutBox() const { return about_.get(); }

public slots:
    void cmdClear_Click();
    void cmdMove_Click();
    void cmdMoveAll_Click();
    void mnuAbout_Click();
    void mnuClearCache_Click();
    void mnuExit_Click();
    void mnuMove_Click();
    void mnuMoveAll_Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    // Enter on a focused button presses it; the list's navigation keys
    // select the entry under the caret.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void BuildMenus();
    // Runs a command, then puts the list in order: entries arrive in index
    // order and are sorted once, not one insertion at a time.
    void Run(const std::function<void()>& command);
    void FlushList() const;
    // A modal box of the window, with the busy cursor lifted while it is up.
    template <typename Show> int Modal(Show show);

    WorkingState state_;
    bool ended_ = false;
    int exitCode_ = 0;
    mutable std::vector<std::string> pending_; // entries added since the list was laid out
    CacheListModel* model_ = nullptr;          // the list's entries in their rows, as the index holds them
    std::unique_ptr<frmAbout> about_;
    bool busy_ = false;
    qint64 busySince_ = 0, lastPaint_ = 0;
    QProgressDialog* progress_ = nullptr;

public:
    QGroupBox* frmCacheDir = nullptr;
    QLabel* lblCacheSize = nullptr;
    QLabel* lblCacheSizeData = nullptr;
    QLabel* lblFileCount = nullptr;
    QLabel* lblFileCountData = nullptr;
    QLabel* lblPathData = nullptr;
    QLabel* lblPath = nullptr;
    QGroupBox* frmMaps = nullptr;
    QListView* lstCache = nullptr;
    QPushButton* cmdMoveAll = nullptr;
    QPushButton* cmdClear = nullptr;
    QPushButton* cmdMove = nullptr;
    QAction* mnuExit = nullptr;
    QAction* mnuMove = nullptr;
    QAction* mnuMoveAll = nullptr;
    QAction* mnuSeparator = nullptr;
    QAction* mnuClearCache = nullptr;
    QAction* mnuAbout = nullptr;
};

// The program's font: a small sans-serif face at which every caption fits.
QFont WindowFont();

} // namespace ovcache
