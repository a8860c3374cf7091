// Model pictures from files the user chooses: checked, decoded and scaled to the stored size.
#include "ui/models/wizardpicture.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QObject>

namespace {

constexpr qint64 kBytesPerMegabyte = 1024 * 1024;
constexpr qint64 kPixelsPerMegapixel = 1'000'000;

std::unexpected<QString> notAPicture(const QString &shownName, const QString &reason)
{
    return std::unexpected(
        QObject::tr("\"%1\" could not be read as a picture (%2).").arg(shownName, reason));
}

} // namespace

QImage fitModelPicture(const QImage &image)
{
    if (image.width() <= kModelPictureSide && image.height() <= kModelPictureSide)
        return image;
    return image.scaled(kModelPictureSide, kModelPictureSide, Qt::KeepAspectRatio,
                        Qt::SmoothTransformation);
}

std::expected<QImage, QString> loadModelPicture(const QString &path)
{
    const QString shownName = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return notAPicture(shownName, file.errorString());
    if (file.size() > kMaxPictureFileBytes)
        return std::unexpected(QObject::tr("\"%1\" is too large for a model picture (%2 MB). "
                                           "Choose a file of at most %3 MB.")
                                   .arg(shownName)
                                   .arg(file.size() / kBytesPerMegabyte)
                                   .arg(kMaxPictureFileBytes / kBytesPerMegabyte));

    QImageReader reader(&file);
    reader.setAutoTransform(true);
    if (!reader.canRead())
        return notAPicture(shownName, reader.errorString());
    // The header tells the size before any pixel memory is claimed.
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > kMaxPicturePixels)
        return std::unexpected(
            QObject::tr("\"%1\" is too large for a model picture (%2 × %3 pixels). Choose a "
                        "picture of at most %4 million pixels.")
                .arg(shownName)
                .arg(size.width())
                .arg(size.height())
                .arg(kMaxPicturePixels / kPixelsPerMegapixel));
    // Decoders that can scale while they read (JPEG) never hold the full photo.
    if (size.isValid() && reader.supportsOption(QImageIOHandler::ScaledSize) &&
        (size.width() > kModelPictureSide || size.height() > kModelPictureSide))
        reader.setScaledSize(
            size.scaled(kModelPictureSide, kModelPictureSide, Qt::KeepAspectRatio));

    const QImage image = reader.read();
    if (image.isNull())
        return notAPicture(shownName, reader.errorString());
    return fitModelPicture(image);
}
