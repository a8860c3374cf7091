#include "ui/sync/syncmodellist.h"

#include "models/modelinfo.h"
#include "models/modellibrary.h"

#include <QImage>
#include <QPainter>

namespace {

// Pictures are drawn from copies at twice their shown size, as every picture of the program.
constexpr qreal kPictureRatio = 2.0;
// In KiB of scaled pixels: a few thousand list pictures.
constexpr int kPictureCacheKiB = 16 * 1024;

} // namespace

SyncModelList::SyncModelList(const ModelLibrary &library, QSize pictureSize, QObject *parent)
    : QAbstractListModel(parent)
    , m_entries(library.entries())
    , m_pictureSize(pictureSize)
    , m_pictures(kPictureCacheKiB)
{
    m_defaultPicture = scaled(defaultModelImage());
    m_noPicture = QPixmap(pictureSize * kPictureRatio);
    m_noPicture.fill(Qt::transparent);
    m_noPicture.setDevicePixelRatio(kPictureRatio);
}

SyncModelList::~SyncModelList() = default;

QModelIndex SyncModelList::indexOfFile(const QString &fileName) const
{
    for (int row = 0; row < m_entries.size(); ++row)
        if (m_entries.at(row)->fileName() == fileName)
            return index(row);
    return {};
}

int SyncModelList::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

QVariant SyncModelList::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const ModelInfo &info = *m_entries.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return info.name();
    case Qt::DecorationRole:
        return picture(info.image());
    case FileNameRole:
        return info.fileName();
    default:
        return {};
    }
}

QPixmap SyncModelList::picture(const QImage &image) const
{
    if (image.isNull())
        return m_noPicture;
    if (const QPixmap *cached = m_pictures.object(image.cacheKey()))
        return *cached;
    const bool isDefault = image == defaultModelImage();
    QPixmap pixmap = isDefault ? m_defaultPicture : scaled(image);
    // The default picture's pixels are shared with m_defaultPicture and cost nothing more.
    const int cost = isDefault ? 0 : qMax(1, int(pixmap.width() * pixmap.height() * 4 / 1024));
    m_pictures.insert(image.cacheKey(), new QPixmap(pixmap), cost);
    return pixmap;
}

QPixmap SyncModelList::scaled(const QImage &image) const
{
    // Centred on a canvas of the full size: the view makes every row as high as the first,
    // and a wide picture there would otherwise cut off every square one below it.
    const QSize canvasSize = m_pictureSize * kPictureRatio;
    const QImage fitted = image.scaled(canvasSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QImage canvas(canvasSize, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    {
        QPainter painter(&canvas);
        painter.drawImage((canvasSize.width() - fitted.width()) / 2,
                          (canvasSize.height() - fitted.height()) / 2, fitted);
    }
    QPixmap pixmap = QPixmap::fromImage(canvas);
    pixmap.setDevicePixelRatio(kPictureRatio);
    return pixmap;
}
