#pragma once

#include <QString>

namespace platform {

// The per-user folder under which the settings folder and the data directory live.
// Windows: the roaming application-data folder. Elsewhere: the generic configuration folder
// (XDG_CONFIG_HOME or ~/.config), where QSettings also keeps its INI files, so that the
// settings file and the data directory stay side by side as they do on Windows.
// Returns an empty string when the system cannot say.
QString userAppDataFolder();

} // namespace platform
