#include "catalogue/commands.h"
#include "platform/prefixSearch.h"
#include "platform/winePrefix.h"
#include "qt/form.h"
#include "qt/frmOVCache.h"
#include "qt/icons.h"
#include "qt/messageBox.h"
#include "qt/prefixChooser.h"

#include <QApplication>

namespace {

// The game in no prefix: where the program looked, and how to point it at
// the right one.
void SayNotFound(const ovcache::PrefixSearch& search)
{
    QString text = "Orvane was not found in any Wine prefix. The program looked in:\n";
    for (const std::string& place : search.looked)
        text += "\n    " + QString::fromStdString(place);
    text += "\n\nIf the game is installed in a prefix of its own, start this program with WINEPREFIX set to "
            "that prefix, for example:\n\n    WINEPREFIX=~/.wine-orvane orvane-cache-importer";
    ovcache::MessageBox::Show(nullptr, text, "Orvane Not Found", ovcache::MsgIcon::Critical, ovcache::MsgButtons::OK);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(ovcache::kProgramTitle);
    QApplication::setOrganizationName("orvane-cache-importer");
    QGuiApplication::setDesktopFileName(ovcache::kAppId); // the desktop entry, for the window's icon on Wayland
    QApplication::setFont(ovcache::WindowFont());
    ovcache::frmOVCache window;

    // Which Wine prefix holds the game decides everything else.
    const auto search =
        ovcache::FindGamePrefixes(ovcache::kGameKey, ovcache::kGameValue, ovcache::PrefixEnvironment::Current());
    if (search.found.empty()) {
        // Never a game folder the program does not know: the box, then the
        // missing index of "\Cache" as on any machine without the game.
        SayNotFound(search);
        ovcache::ShowMissingIndex(window, "\\Cache");
        return window.ExitCode();
    }
    if (search.found.size() == 1) {
        ovcache::UseWinePrefix(search.found.front().prefix);
    } else {
        ovcache::PrefixChooser chooser(search.found);
        if (chooser.exec() != QDialog::Accepted)
            return 0;
        chooser.Remember();
        ovcache::UseWinePrefix(chooser.Chosen().prefix);
    }

    if (!window.Form_Load())
        return window.ExitCode();
    window.show();
    return QApplication::exec();
}
