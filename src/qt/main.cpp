#include "catalogue/gameLocation.h"
#include "console/consoleRun.h"
#include "forms/gameFinder.h"
#include "platform/codePage.h"
#include "platform/language.h"
#include "platform/winePrefix.h"
#include "qt/desktopNotifier.h"
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

// Where the game is, as the options name it; the folder chosen last time
// counts only when none is named.
ovcache::GameLocation Locate(const ovcache::console::Options& options)
{
    const bool named = options.game || options.prefix;
    const std::string remembered = named || !ovcache::SettingsReadable()
                                       ? std::string()
                                       : Settings().value(kChosenFolder).toString().toStdString();
    return ovcache::LocateGame(ovcache::console::RequestOf(options, remembered));
}

// The game's prefix for the rest of the run, and the code page named in
// place of the prefix's; false when this system cannot read that one.
bool UseGame(const ovcache::console::Options& options, const GamePrefix& chosen)
{
    ovcache::UseWinePrefix(chosen.prefix);
    return !options.codePage || ovcache::UseAnsiCodePage(*options.codePage);
}

int RefuseCodePage(const ovcache::console::Options& options, ovcache::console::Output& out)
{
    return ovcache::console::Refuse(options,
                                    ovcache::Fill(ovcache::T("this system cannot read code page {number}"),
                                                  {{"number", std::to_string(*options.codePage)}}),
                                    out);
}

// A command, without a window: a game not found, or a folder named that is
// not the game's, is said and nothing runs.
int RunCommandLine(const ovcache::console::Options& options, const ovcache::GameLocation& location,
                   ovcache::console::Output& out, ovcache::console::Tally* tally = nullptr)
{
    const std::optional<GamePrefix> game = ovcache::console::GameForCommand(location, options, out);
    if (!game)
        return ovcache::console::kRefused;
    if (!UseGame(options, *game))
        return RefuseCodePage(options, out);
    return ovcache::console::RunCommand(options, game->gameFolder, out, {}, tally);
}

} // namespace

int main(int argc, char** argv)
{
    namespace console = ovcache::console;
    // The desktop's language, for every word from the first.
    const std::string language = ovcache::UseLanguage(ovcache::PreferredLanguages());
    // The command line is read before anything needs a display.
    StandardStreams streams;
    console::Parsed parsed;
    if (const auto ended =
            console::ReadCommandLine({argv + std::min(argc, 1), argv + argc}, /*wine=*/true, parsed, streams))
        return *ended;
    const console::Options& options = parsed.options;
    if (options.Told()) {
        // After the game (or with --notify): the game is looked for once it
        // has ended, and is started whether it can be found or not.
        ovcache::DesktopNotifier notifier;
        return console::RunTold(
            options, ovcache::GameCommand{options.wrapped, {}},
            [&options](console::Output& out, console::Tally& tally) {
                return RunCommandLine(options, Locate(options), out, &tally);
            },
            streams, notifier, console::RunLogPath());
    }
    const ovcache::GameLocation location = Locate(options);
    // A folder named that is not the game's is said before any window.
    if (options.command != console::Command::Window || !location.refused.empty())
        return RunCommandLine(options, location, streams);

    QApplication app(argc, argv);
    // Qt's own words in the same language.
    ovcache::UseQtTranslations(language);
    QApplication::setApplicationName(ovcache::kProgramTitle);
    QApplication::setOrganizationName("orvane-cache-importer");
    QGuiApplication::setDesktopFileName(ovcache::kAppId); // the desktop entry, for the window's icon on Wayland
    QApplication::setFont(ovcache::WindowFont());

    const std::optional<GamePrefix> game = GameForWindow(location);
    if (!game)
        return 0; // the player chose not to go on
    if (!UseGame(options, *game))
        return RefuseCodePage(options, streams);
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
