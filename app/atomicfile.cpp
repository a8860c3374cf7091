#include "app/atomicfile.h"

#include <QSaveFile>

bool writeFileAtomically(const QString &path, const QByteArray &data, QString *errorText)
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
    // On a full disk the system may take part of a write and refuse the rest, which Qt's
    // buffer flush reports as success; the size on disk tells the truth before the commit.
    if (file.write(data) != data.size() || !file.flush() || file.size() != data.size())
        return fail();
    if (!file.commit()) {
        if (errorText)
            *errorText = file.errorString();
        return false;
    }
    return true;
}
