#pragma once
// The About box: title, version, description, disclaimer, and a button that
// starts the system-information program.
#include "catalogue/sysInfo.h"
#include "forms/boxes.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace ovcache {

class frmAbout : public QDialog, public SysInfoHost {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    // Shows the box in front, with "OK" focused as when it is new.
    void Present();

    // SysInfoHost
    bool StartProgram(const std::string& windowsPath, int windowStyle) override;
    MsgAnswer MsgBox(const std::string& text, const std::string& title, MsgIcon icon, MsgButtons buttons);

public slots:
    void cmdSysInfo_Click();
    void cmdOK_Click();
    void reject() override; // Esc presses "OK"

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPushButton* cmdOK = nullptr;
};

} // namespace ovcache
