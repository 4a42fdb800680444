#include "catalogue/gameLocation.h"
#include "console/consoleRun.h"
#include "forms/gameFinder.h"
#include "platform/codePage.h"
#include "platform/winePrefix.h"
#include "qt/form.h"
#include "qt/frmOVCache.h"
#include "qt/icons.h"
#include "qt/messageBox.h"
#include "qt/prefixChooser.h"
#include "qt/settings.h"

#include <QApplication>
#include <QFileDialog>
#include <QSettings>
#include <algorithm>
#include <cstdio>
#include <optional>

namespace {

using ovcache::GamePrefix;

constexpr const char* kChosenFolder = "chosenFolder";

// The desktop's usual settings file, with or without the application object.
QSettings Settings()
{
    return QSettings("orvane-cache-importer", ovcache::kProgramTitle);
}

class StandardStreams : public ovcache::console::Output {
public:
    void Out(std::string_view text) override
    {
        lost_ = std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || lost_;
    }
    void Err(std::string_view text) override { std::fwrite(text.data(), 1, text.size(), stderr); }
    bool OutDelivered() override { return std::fflush(stdout) == 0 && !std::ferror(stdout) && !lost_; }

private:
    bool lost_ = false;
};

class QtGameAsker : public ovcache::forms::GameAsker {
public:
    ovcache::MsgAnswer Ask(const std::string& text, const std::string& title) override
    {
        return ovcache::MessageBox::Show(nullptr, QString::fromStdString(text), QString::fromStdString(title),
                                         ovcache::MsgIcon::Critical, ovcache::MsgButtons::YesNo);
    }
    std::optional<std::string> PickFolder(const std::string& title) override
    {
        const QString folder = QFileDialog::getExistingDirectory(nullptr, QString::fromStdString(title));
        if (folder.isEmpty())
            return std::nullopt;
        return folder.toStdString();
    }
};

// The game for the window: where it was found, the prefix the player picks
// among several, or the folder the player shows now. Nothing when the player
// gave up.
std::optional<GamePrefix> GameForWindow(const ovcache::GameLocation& location)
{
    if (location.game)
        return location.game;
    if (!location.several.empty()) {
        ovcache::PrefixChooser chooser(location.several);
        if (chooser.exec() != QDialog::Accepted)
            return std::nullopt;
        chooser.Remember();
        return chooser.Chosen();
    }
    QtGameAsker asker;
    return ovcache::forms::AskForTheGame(location, /*wine=*/true, asker, [](const std::string& folder) {
        if (ovcache::SettingsReadable())
            Settings().setValue(kChosenFolder, QString::fromStdString(folder));
    });
}

} // namespace

int main(int argc, char** argv)
{
    namespace console = ovcache::console;
    // The command line is read before anything needs a display.
    StandardStreams streams;
    console::Parsed parsed;
    if (const auto ended =
            console::ReadCommandLine({argv + std::min(argc, 1), argv + argc}, /*wine=*/true, parsed, streams))
        return *ended;
    const console::Options& options = parsed.options;
    // The folder chosen last time counts only when none is named.
    const bool named = options.game || options.prefix;
    const std::string remembered = named || !ovcache::SettingsReadable()
                                       ? std::string()
                                       : Settings().value(kChosenFolder).toString().toStdString();
    const ovcache::GameLocation location = ovcache::LocateGame(console::RequestOf(options, remembered));

    std::optional<GamePrefix> game;
    if (options.command != console::Command::Window || !location.refused.empty()) {
        // A command runs without a window; a folder named that is not the
        // game's is said before any window.
        game = console::GameForCommand(location, options, streams);
        if (!game)
            return console::kRefused;
    }
    // The code page named stands in for the prefix's.
    const auto useGame = [&options](const GamePrefix& chosen) {
        ovcache::UseWinePrefix(chosen.prefix);
        return !options.codePage || ovcache::UseAnsiCodePage(*options.codePage);
    };
    if (options.command != console::Command::Window) {
        if (!useGame(*game))
            return console::Refuse(options, "this system cannot read code page " + std::to_string(*options.codePage),
                                   streams);
        return console::RunCommand(options, game->gameFolder, streams);
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(ovcache::kProgramTitle);
    QApplication::setOrganizationName("orvane-cache-importer");
    QGuiApplication::setDesktopFileName(ovcache::kAppId); // the desktop entry, for the window's icon on Wayland
    QApplication::setFont(ovcache::WindowFont());

    if (!game)
        game = GameForWindow(location);
    if (!game)
        return 0; // the player chose not to go on
    if (!useGame(*game))
        return console::Refuse(options, "this system cannot read code page " + std::to_string(*options.codePage),
                               streams);
    ovcache::frmOVCache window;
    // The install folder as the search read it, or where the player showed
    // it: the prefix's registry is not read again.
    window.SetGameFolder(game->gameFolder);
    window.ShowWhenListed([&window] { window.show(); });
    if (!window.Form_Load())
        return window.ExitCode();
    window.show();
    return QApplication::exec();
}
