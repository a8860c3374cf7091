#include "ui/widgets/picture.h"

#include "platform/installlayout.h"

#include <QHash>

#include <cstdio>

namespace {

constexpr qreal kPictureDevicePixelRatio = 2.0;

struct PictureStore
{
    QString folder;                 // set by setPictureFolder; empty means the default
    QString defaultFolder;          // found once: the executable does not move
    QHash<QString, QPixmap> loaded; // by full path; a handful of small pictures
};

PictureStore &store()
{
    static PictureStore pictures;
    return pictures;
}

void reportFailure(const QString &path)
{
    const QByteArray line = QStringLiteral("Error: failed to load %1\n").arg(path).toLocal8Bit();
    std::fputs(line.constData(), stdout);
    std::fflush(stdout);
}

} // namespace

QString pictureFolder()
{
    PictureStore &pictures = store();
    if (!pictures.folder.isEmpty())
        return pictures.folder;
    if (pictures.defaultFolder.isEmpty())
        pictures.defaultFolder = platform::dataFilePath(QStringLiteral("Images"));
    return pictures.defaultFolder;
}

void setPictureFolder(const QString &folder)
{
    store().folder = folder;
}

QPixmap loadPicture(const QString &fileName)
{
    const QString path = pictureFolder() + QLatin1Char('/') + fileName;
    PictureStore &pictures = store();
    if (const auto found = pictures.loaded.constFind(path); found != pictures.loaded.constEnd())
        return *found;

    QPixmap picture;
    const bool loaded = picture.load(path);
    // The ratio goes on the empty pixmap too; Qt 5 keeps a null pixmap's ratio at 1, so
    // callers see a null pixmap either way and draw nothing.
    picture.setDevicePixelRatio(kPictureDevicePixelRatio);
    if (!loaded) {
        // Not kept: a picture that appears later (a repaired install) then loads.
        reportFailure(path);
        return picture;
    }
    pictures.loaded.insert(path, picture);
    return picture;
}
