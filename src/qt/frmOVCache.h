#pragma once
// The main window in Qt Widgets: the cache statistics, the list of cached
// maps, the three command buttons and the menus, laid out from the form's
// table. What every main window does alike is the shared form's; this adds
// what only Qt can do. Tests find the controls by the table's names.
#include "forms/mainForm.h"

#include <QMainWindow>
#include <memory>

class QListView;
class QProgressDialog;

namespace ovcache {

class CacheListModel;
class frmAbout;

class frmOVCache : public QMainWindow, public forms::MainForm {
    Q_OBJECT
public:
    explicit frmOVCache(QWidget* parent = nullptr);
    ~frmOVCache() override;

    // The About box, once Help > About has made it.
    frmAbout* AboutBox() const { return about_.get(); }
    void mnuAbout_Click() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    // Enter on a focused button presses it; the list's navigation keys
    // select the entry under the caret.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Hooks;
    void BuildControls();
    void BuildMenus();
    QWidget* Owner() { return isVisible() ? this : nullptr; }

    QListView* lstCache = nullptr;
    CacheListModel* model_ = nullptr; // the list's entries in their rows, as the index holds them
    std::unique_ptr<frmAbout> about_;
    QProgressDialog* progress_ = nullptr;
};

} // namespace ovcache
