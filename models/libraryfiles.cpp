#include "models/libraryfiles.h"

#include "app/atomicfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace libraryfiles {

namespace {

const QRegularExpression &numberedNamePattern()
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d+)\\.\\w+$"));
    return pattern;
}

} // namespace

bool isPlainFileName(const QString &fileName)
{
    return !fileName.isEmpty() && fileName != QLatin1String(".") &&
           fileName != QLatin1String("..") && !fileName.contains(QLatin1Char('/')) &&
           !fileName.contains(QLatin1Char('\\')) && !fileName.contains(QChar(0));
}

std::optional<qint64> fileNumber(const QString &fileName)
{
    const QRegularExpressionMatch match = numberedNamePattern().match(fileName);
    if (!match.hasMatch())
        return std::nullopt;
    bool ok = false;
    const qint64 number = match.capturedRef(1).toLongLong(&ok);
    // A number too long for 64 bits cannot collide with one we make, so it is ignored.
    if (!ok)
        return std::nullopt;
    return number;
}

qint64 nextFileNumber(const QString &directory)
{
    qint64 largest = 0;
    const QStringList names = QDir(directory).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (const QString &name : names) {
        if (const std::optional<qint64> number = fileNumber(name))
            largest = std::max(largest, *number);
    }
    return largest + 1;
}

bool replaceFileAtomically(const QString &source, const QString &target)
{
    QFile input(source);
    if (!input.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = input.readAll();
    if (input.error() != QFileDevice::NoError)
        return false;
    return writeFileAtomically(target, data);
}

bool copyFileAtomically(const QString &source, const QString &target)
{
    return !QFileInfo::exists(target) && replaceFileAtomically(source, target);
}

} // namespace libraryfiles
