#include "catalogue/commands.h"
#include "platform/codePage.h"
#include "platform/prefixSearch.h"
#include "platform/winePrefix.h"
#include "qt/form.h"
#include "qt/frmOVCache.h"
#include "qt/icons.h"
#include "qt/messageBox.h"
#include "qt/prefixChooser.h"
#include "qt/textCodec.h"
#include "version.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileDialog>
#include <QSettings>
#include <cstdio>
#include <optional>

namespace {

using ovcache::GamePrefix;

constexpr const char* kChosenFolder = "chosenFolder";

std::optional<GamePrefix> GameAt(const QString& folder)
{
    return ovcache::GameAt(folder.toStdString(), ovcache::kGameKey, ovcache::kGameValue);
}

// The command line, read before anything needs a display: --help and
// --version answer and end here; --prefix names the game's folder.
std::optional<QString> ReadCommandLine(int argc, char** argv)
{
    const QCoreApplication cli(argc, argv);
    QCoreApplication::setApplicationName("orvane-cache-importer");
    QCoreApplication::setApplicationVersion(OVCACHE_VERSION);
    QCommandLineParser parser;
    parser.setApplicationDescription("Moves the maps that the game Orvane downloaded, with their code, music and sound "
                                     "packages, into the game's folders, or clears its download cache.");
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption prefix(
        "prefix",
        "The Wine prefix that holds the game, or the game's own folder inside one; no other place is looked in.",
        "DIR");
    parser.addOption(prefix);
    parser.process(cli);
    if (!parser.isSet(prefix))
        return std::nullopt;
    return parser.value(prefix);
}

// The game in no prefix: where the program looked, and the offer to show it
// the folder. The folder chosen must hold the game; it is remembered.
std::optional<GamePrefix> AskForTheGame(const ovcache::PrefixSearch& search)
{
    QString text = "Orvane was not found in any Wine prefix. The program looked in:\n";
    for (const std::string& place : search.looked)
        text += "\n    " + QString::fromStdString(place);
    if (!search.skipped.empty()) {
        text += "\n\nThe search took too long and left " + QString::number(search.skipped.size()) +
                " prefixes unread, among them:\n\n    " + QString::fromStdString(search.skipped.front());
    }
    text += "\n\nDo you want to choose the game's folder, or the Wine prefix that holds it?";
    for (;;) {
        if (ovcache::MessageBox::Show(nullptr, text, "Orvane Not Found", ovcache::MsgIcon::Critical,
                                      ovcache::MsgButtons::YesNo) != ovcache::MsgAnswer::Yes)
            return std::nullopt;
        const QString folder = QFileDialog::getExistingDirectory(nullptr, "The game's folder or its Wine prefix");
        if (folder.isEmpty())
            return std::nullopt;
        if (auto game = GameAt(folder)) {
            QSettings().setValue(kChosenFolder, folder);
            return game;
        }
        text = folder + " holds neither the game nor a Wine prefix where it is installed.\n\nDo you want to choose "
                        "another folder?";
    }
}

// Where the game is: the prefix the search finds (the player choosing among
// several), the folder chosen last time, or the one the player shows now.
// Nothing when the player gave up.
std::optional<GamePrefix> FindTheGame()
{
    const auto search =
        ovcache::FindGamePrefixes(ovcache::kGameKey, ovcache::kGameValue, ovcache::PrefixEnvironment::Current());
    if (search.found.size() == 1)
        return search.found.front();
    if (search.found.size() > 1) {
        ovcache::PrefixChooser chooser(search.found);
        if (chooser.exec() != QDialog::Accepted)
            return std::nullopt;
        chooser.Remember();
        return chooser.Chosen();
    }
    if (const QString chosen = QSettings().value(kChosenFolder).toString(); !chosen.isEmpty())
        if (auto game = GameAt(chosen))
            return game;
    return AskForTheGame(search);
}

} // namespace

int main(int argc, char** argv)
{
    // A folder named on the command line is checked before any window.
    std::optional<GamePrefix> game;
    if (const std::optional<QString> named = ReadCommandLine(argc, argv)) {
        game = GameAt(*named);
        if (!game) {
            std::fprintf(stderr,
                         "orvane-cache-importer: %s holds neither the game nor a Wine prefix where it is installed\n",
                         named->toLocal8Bit().constData());
            return 2;
        }
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(ovcache::kProgramTitle);
    QApplication::setOrganizationName("orvane-cache-importer");
    QGuiApplication::setDesktopFileName(ovcache::kAppId); // the desktop entry, for the window's icon on Wayland
    QApplication::setFont(ovcache::WindowFont());

    if (!game)
        game = FindTheGame();
    if (!game)
        return 0; // the player chose not to go on
    ovcache::UseWinePrefix(game->prefix);
    ovcache::frmOVCache window;
    // The install folder as the search read it, or where the player showed
    // it: the prefix's registry is not read again.
    window.State().strGameFolder = ovcache::Utf8ToAnsi(game->gameFolder); // in the prefix's code page, set now
    if (!window.Form_Load())
        return window.ExitCode();
    window.show();
    return QApplication::exec();
}
