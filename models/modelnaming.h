#pragma once

#include <QDateTime>
#include <QSet>
#include <QString>

// Names for new, imported and copied models, chosen against the names already taken.
namespace modelnaming {

// The first free "Model 1" ... "Model 9999"; "Model" when all are taken.
[[nodiscard]] QString newModelName(const QSet<QString> &taken);
// The name, or the first free "name 2" ... "name 9999"; the name itself when none is free.
[[nodiscard]] QString uniqueName(const QSet<QString> &taken, const QString &name);
// "name - <time> Copy", or the first free "... Copy 2" ... "... Copy 999", after removing an
// earlier copy suffix from the name; the name unchanged when none is free.
[[nodiscard]] QString copyName(const QSet<QString> &taken, const QString &name,
                               const QDateTime &now);

} // namespace modelnaming
