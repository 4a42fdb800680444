#pragma once
// The program's settings (the folder and prefix chosen last time), in the
// file QSettings keeps for it. The file is the player's and may be anything:
// it is read only when it is a regular file of a sane size, since a pipe
// there would hang every command and a huge file cost seconds.
#include <QSettings>

namespace ovcache {

// Whether the settings file may be read: missing (nothing remembered yet),
// or a regular file of at most a megabyte.
bool SettingsReadable();

} // namespace ovcache
