#include "models/libraryfiles.h"

#include "app/atomicfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

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

bool writePiecesAtomically(const QString &path, const QList<QByteArray> &pieces,
                           const QDateTime &modified, QString *errorText)
{
    QSaveFile file(path);
    const auto fail = [&] {
        if (errorText)
            *errorText = file.errorString();
        file.cancelWriting();
        return false;
    };
    if (!file.open(QIODevice::WriteOnly))
        return fail();
    qint64 size = 0;
    for (const QByteArray &piece : pieces) {
        if (file.write(piece) != piece.size())
            return fail();
        size += piece.size();
    }
    // As in writeFileAtomically: a full disk may take part of a buffered write and report
    // success, which only the size on disk reveals.
    if (!file.flush() || file.size() != size)
        return fail();
    // Undated, the file keeps the time it was written, and only a crash before the next
    // manifest could leave an entry stale: not worth failing the write for.
    if (modified.isValid())
        file.setFileTime(modified, QFileDevice::FileModificationTime);
    if (!file.commit()) {
        if (errorText)
            *errorText = file.errorString();
        return false;
    }
    return true;
}

} // namespace libraryfiles
