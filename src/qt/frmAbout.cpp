#include "qt/frmAbout.h"

#include "platform/programLauncher.h"
#include "qt/form.h"
#include "qt/icons.h"
#include "qt/messageBox.h"
#include "qt/textCodec.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace ovcache {
namespace {

const forms::Form& kForm = forms::kAboutForm;

// Text in the theme's colour, so that it reads on a dark desktop too.
QLabel* TextLabel(std::string_view name, QWidget* parent)
{
    auto* label = Place(kForm, new QLabel(Caption(kForm, name), parent), name);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

} // namespace

frmAbout::frmAbout(QWidget* parent)
    // A tool window is not listed in the task bar.
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName("frmAbout");
    setWindowTitle(FromUtf8(forms::Said(forms::kAboutForm.caption)));
    setFixedSize(Twips(forms::kAboutForm.clientWidth), Twips(forms::kAboutForm.clientHeight));
    const QFont font = WindowFont();
    setFont(font);

    auto* picIcon = Place(kForm, new QLabel(this), "picIcon");
    picIcon->setPixmap(AppPixmap());
    picIcon->setAlignment(Qt::AlignCenter);
    cmdOK = Place(kForm, new QPushButton(Caption(kForm, "cmdOK"), this), "cmdOK");
    auto* cmdSysInfo = Place(kForm, new QPushButton(Caption(kForm, "cmdSysInfo"), this), "cmdSysInfo");
    TextLabel("lblDescription", this);
    auto* lblTitle = TextLabel("lblTitle", this);
    QFont titleFont = font;
    titleFont.setPixelSize(18);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    Place(kForm, new QLabel(Caption(kForm, "lblVersion"), this), "lblVersion");
    TextLabel("lblDisclaimer", this);

    cmdOK->setDefault(true); // Enter presses "OK"
    cmdSysInfo->setAutoDefault(false);
    setTabOrder(cmdOK, cmdSysInfo);
    cmdOK->setFocus();
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
}

void frmAbout::Present()
{
    show();
    raise();
    activateWindow();
    cmdOK->setFocus(); // shown as new, whatever had the focus before
}

void frmAbout::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    // The etched rule in the theme's shadow and light colours.
    QPainter painter(this);
    for (const forms::Line& line : forms::kAboutForm.lines) {
        painter.setPen(QPen(palette().color(line.highlight ? QPalette::Light : QPalette::Mid), line.width));
        // a two-pixel pen is centred on its line: its upper pixel stays on the line
        const int shift = line.width / 2;
        painter.drawLine(Twips(line.x1), Twips(line.y1) + shift, Twips(line.x2), Twips(line.y2) + shift);
    }
}

bool frmAbout::StartProgram(const std::string& windowsPath, int windowStyle)
{
    return ovcache::StartProgram(windowsPath, windowStyle);
}

MsgAnswer frmAbout::MsgBox(const std::string& text, const std::string& title, MsgIcon icon, MsgButtons buttons)
{
    return MessageBox::Show(this, FromUtf8(text), FromUtf8(title), icon, buttons);
}

void frmAbout::cmdSysInfo_Click()
{
    const auto fso = CreateFileSystemService();
    if (!StartSysInfo(*this, *fso))
        MsgBox(T(forms::kSysInfoUnavailable), kProgramTitle, MsgIcon::None, MsgButtons::OK);
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
