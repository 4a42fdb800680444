// The Windows program: the main window in the system's own controls.
#include "platform/codePage.h"
#include "platform/uac.h"
#include "win32/frmOVCache.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int showCommand)
{
    // The game writes its names in the system's ANSI code page, as the
    // system's "A" functions take them.
    ovcache::UseAnsiCodePage(GetACP());
    ovcache::win32::Initialise(instance);
    ovcache::win32::frmOVCache window;
    // Where Windows keeps the game's folders from this program, the player
    // is offered the same program run as administrator.
    if (ovcache::CanRestartAsAdministrator())
        window.State().restartAsAdministrator = ovcache::RestartAsAdministrator;
    if (!window.Form_Load())
        return window.ExitCode();
    window.Show(showCommand);
    return window.MessageLoop();
}
