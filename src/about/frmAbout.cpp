#include "about/frmAbout.h"

#include "mainwindow/frmOVCache.h"
#include "mainwindow/icons.h"
#include "mainwindow/messageBox.h"
#include "mainwindow/textCodec.h"
#include "platform/programLauncher.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace ovcache {
namespace {

template <typename Widget> Widget* Place(Widget* widget, const char* name, int left, int top, int width, int height)
{
    widget->setObjectName(name);
    widget->setGeometry(Twips(left), Twips(top), Twips(width), Twips(height));
    return widget;
}

QLabel* TextLabel(const char* text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(palette);
    return label;
}

} // namespace

frmAbout::frmAbout(QWidget* parent)
    // A tool window is not listed in the task bar.
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName("frmAbout");
    setWindowTitle("About Orvane Cache Importer");
    setFixedSize(Twips(5730), Twips(3555));
    const QFont font = WindowFont();
    setFont(font);

    picIcon = Place(new QLabel(this), "picIcon", 240, 240, 540, 540);
    picIcon->setPixmap(AppPixmap());
    picIcon->setAlignment(Qt::AlignCenter);
    cmdOK = Place(new QPushButton("OK", this), "cmdOK", 4245, 2625, 1260, 345);
    cmdSysInfo = Place(new QPushButton("&System Info...", this), "cmdSysInfo", 4260, 3075, 1245, 345);
    lblDescription = Place(TextLabel("The orvane cache directory can accumulate unwanted files.  This program allows "
                                     "you to keep the maps you want and clear the ones you don't so you don't keep "
                                     "accumulating unwanted files and wasting disk space.",
                                     this),
                           "lblDescription", 1050, 1125, 3885, 1170);
    lblTitle = Place(TextLabel("Orvane Cache Importer", this), "lblTitle", 1050, 240, 3885, 480);
    QFont titleFont = font;
    titleFont.setPixelSize(18);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    lblVersion = Place(new QLabel("0.9", this), "lblVersion", 1050, 780, 3885, 225);
    lblDisclaimer = Place(TextLabel("Warning: The author of this program is providing it AS IS. The author is not "
                                    "responsible for any damage that occurs as a result of the use of this product.",
                                    this),
                          "lblDisclaimer", 240, 2625, 3870, 825);

    cmdOK->setDefault(true); // Enter presses "OK"
    cmdSysInfo->setAutoDefault(false);
    setTabOrder(cmdOK, cmdSysInfo);
    cmdOK->setFocus();
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
}

void frmAbout::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    // The etched rule: a grey line with a white one under it.
    QPainter painter(this);
    painter.setPen(QPen(QColor(128, 128, 128), 1));
    painter.drawLine(Twips(90), Twips(2445), Twips(5654), Twips(2445));
    painter.setPen(QPen(Qt::white, 2));
    painter.drawLine(Twips(105), Twips(2460) + 1, Twips(5654), Twips(2460) + 1);
}

bool frmAbout::StartProgram(const std::string& windowsPath, int windowStyle)
{
    return ovcache::StartProgram(windowsPath, windowStyle);
}

int frmAbout::MsgBox(const std::string& text, const std::string& title, MsgIcon icon, MsgButtons buttons)
{
    return MessageBox::Show(this, FromCp1252(text), FromCp1252(title), icon, buttons);
}

void frmAbout::cmdSysInfo_Click()
{
    const auto fso = CreateFileSystemService();
    StartSysInfo(*this, *fso);
}

void frmAbout::cmdOK_Click()
{
    hide();
}

void frmAbout::reject()
{
    cmdOK_Click();
}

} // namespace ovcache
