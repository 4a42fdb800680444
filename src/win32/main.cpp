// The Windows program: the main window in the system's own controls, or a
// command run from the command line without one.
#include "catalogue/gameLocation.h"
#include "console/consoleRun.h"
#include "forms/gameFinder.h"
#include "platform/codePage.h"
#include "platform/gameProcess.h"
#include "platform/language.h"
#include "platform/uac.h"
#include "win32/balloon.h"
#include "win32/console.h"
#include "win32/frmOVCache.h"
#include "win32/gameFolder.h"
#include "win32/icons.h"
#include "win32/messageBox.h"

namespace {

namespace console = ovcache::console;

class WindowsGameAsker : public ovcache::forms::GameAsker {
public:
    ovcache::MsgAnswer Ask(const std::string& text, const std::string& title) override
    {
        return ovcache::win32::ShowMessage(nullptr, text, title, ovcache::MsgIcon::Critical,
                                           ovcache::MsgButtons::YesNo);
    }
    std::optional<std::string> PickFolder(const std::string& title) override
    {
        return ovcache::win32::PickFolder(title);
    }
};

// Where the game is, as the options name it, or where it was shown last.
ovcache::GameLocation Locate(const console::Options& options)
{
    return ovcache::LocateGame(console::RequestOf(options, ovcache::win32::RememberedFolder()));
}

// A command, without a window: a game not found is said and nothing runs.
int RunCommandLine(const console::Options& options, const ovcache::GameLocation& location, console::Output& out,
                   console::Tally* tally = nullptr)
{
    const std::optional<ovcache::GamePrefix> game = console::GameForCommand(location, options, out);
    if (!game)
        return console::kRefused;
    return console::RunCommand(options, game->gameFolder, out, {}, tally);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int showCommand)
{
    // The game writes its index in the system's ANSI code page.
    ovcache::UseAnsiCodePage(GetACP());

    // The user's display language, for every word from the first.
    ovcache::UseLanguage(ovcache::PreferredLanguages());

    // The command line is read before any window.
    ovcache::win32::ConsoleStreams streams;
    console::Parsed parsed;
    if (const auto ended = console::ReadCommandLine(ovcache::win32::Arguments(), /*wine=*/false, parsed, streams))
        return *ended;
    const console::Options& options = parsed.options;
    if (options.Told()) {
        // After the game (or with --notify): the game is started from the
        // command line as written after "--", and looked for once it ends.
        ovcache::win32::SetInstance(instance);
        ovcache::win32::BalloonNotifier notifier;
        const ovcache::GameCommand game{
            options.wrapped, ovcache::CommandLineFrom(ovcache::win32::CommandLineText(), options.wrappedAt + 1)};
        return console::RunTold(
            options, game,
            [&options](console::Output& out, console::Tally& tally) {
                return RunCommandLine(options, Locate(options), out, &tally);
            },
            streams, notifier, console::RunLogPath());
    }
    const ovcache::GameLocation location = Locate(options);
    if (options.command != console::Command::Window)
        return RunCommandLine(options, location, streams);

    ovcache::win32::Initialise(instance);
    if (!location.refused.empty()) {
        // Said where it was typed, and in a box, since a shortcut has no console.
        streams.Err("orvane-cache-importer: " + ovcache::RefusedText(location) + "\n");
        ovcache::win32::ShowMessage(nullptr, ovcache::RefusedText(location), ovcache::T(ovcache::forms::kNotFoundTitle),
                                    ovcache::MsgIcon::Critical, ovcache::MsgButtons::OK);
        return console::kRefused;
    }
    std::optional<ovcache::GamePrefix> game = location.game;
    if (!game) {
        WindowsGameAsker asker;
        game = ovcache::forms::AskForTheGame(location, /*wine=*/false, asker, ovcache::win32::RememberFolder);
        if (!game)
            return 0; // the player chose not to go on
    }
    ovcache::win32::frmOVCache window;
    window.SetGameFolder(game->gameFolder);
    // Where Windows keeps the game's folders from this program, the player
    // is offered the same program run as administrator, on the same game.
    if (ovcache::CanRestartAsAdministrator())
        window.SetRestartAsAdministrator(
            [folder = game->gameFolder] { return ovcache::RestartAsAdministrator(folder); });
    window.ShowWhenListed([&window, showCommand] { window.Show(showCommand); });
    if (!window.Form_Load())
        return window.ExitCode();
    if (!IsWindowVisible(window.Handle()))
        window.Show(showCommand);
    return window.MessageLoop();
}
