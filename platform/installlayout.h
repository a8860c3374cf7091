#pragma once

#include <QString>

namespace platform {

// Where the program's data files (pictures, tooltips.txt) are. A build tree keeps them beside
// the executable; an installed copy keeps them in <prefix>/share/zandorex-programmer with the
// executable in <prefix>/bin. Relative to the executable rather than a prefix compiled in, so
// that a package unpacked or installed under any prefix still finds its files.
//
// Returns the path beside the executable when something exists there, else the installed path
// when something exists there, else the path beside the executable: a message about a missing
// file then names the place a build tree uses.
[[nodiscard]] QString dataFilePath(const QString &relative);

// The same for an executable in programDir.
[[nodiscard]] QString dataFilePath(const QString &relative, const QString &programDir);

} // namespace platform
