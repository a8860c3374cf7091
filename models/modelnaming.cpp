#include "models/modelnaming.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace modelnaming {

namespace {

constexpr int kLastNewModelNumber = 9999;
constexpr int kLastUniqueSuffix = 9999;
constexpr int kLastCopySuffix = 999;

} // namespace

QString newModelName(const QSet<QString> &taken)
{
    for (int number = 1; number <= kLastNewModelNumber; ++number) {
        const QString name = QCoreApplication::translate("ModelLibrary", "Model %1").arg(number);
        if (!taken.contains(name))
            return name;
    }
    return QCoreApplication::translate("ModelLibrary", "Model");
}

QString uniqueName(const QSet<QString> &taken, const QString &name)
{
    if (!taken.contains(name))
        return name;
    for (int suffix = 2; suffix <= kLastUniqueSuffix; ++suffix) {
        const QString candidate = name + QLatin1Char(' ') + QString::number(suffix);
        if (!taken.contains(candidate))
            return candidate;
    }
    return name;
}

QString copyName(const QSet<QString> &taken, const QString &name, const QDateTime &now)
{
    // An earlier copy's suffix goes, so copies of copies do not pile up time stamps.
    static const QRegularExpression earlierCopy(
        QStringLiteral(" - \\d{4}-\\d+-\\d+ \\d+:\\d+:\\d+.*"));
    QString base = name;
    base.remove(earlierCopy);
    const QString time = now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));

    const QString first = QStringLiteral("%1 - %2 Copy").arg(base, time);
    if (!taken.contains(first))
        return first;
    for (int suffix = 2; suffix <= kLastCopySuffix; ++suffix) {
        const QString candidate =
            QStringLiteral("%1 - %2 Copy %3").arg(base, time, QString::number(suffix));
        if (!taken.contains(candidate))
            return candidate;
    }
    return name;
}

} // namespace modelnaming
