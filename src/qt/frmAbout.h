#pragma once
// The About box: title, version, description, disclaimer, and a button that
// starts the system-information program.
#include "catalogue/sysInfo.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace ovcache {

class frmAbout : public QDialog, public SysInfoHost {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    // SysInfoHost
    bool StartProgram(const std::string& windowsPath, int windowStyle) override;
    int MsgBox(const std::string& text, const std::string& title, MsgIcon icon, MsgButtons buttons) override;

    QLabel* picIcon = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdSysInfo = nullptr;
    QLabel* lblDescription = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblDisclaimer = nullptr;

public slots:
    void cmdSysInfo_Click();
    void cmdOK_Click();
    void reject() override; // Esc presses "OK"

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace ovcache
