#pragma once

#include <QAbstractListModel>
#include <QCache>
#include <QPixmap>
#include <QSize>

#include <memory>

class ModelInfo;
class ModelLibrary;

// The library's models as the rows of the sync dialog's list: name and picture. Pictures are
// scaled for the list only when a row is shown, and rows that share a picture (above all the
// default one) share the scaled copy, so that a library of thousands of models fills the list
// at once.
class SyncModelList : public QAbstractListModel
{
    Q_OBJECT

public:
    static constexpr int FileNameRole = Qt::UserRole;

    // The rows are the library's entries as they are now.
    SyncModelList(const ModelLibrary &library, QSize pictureSize, QObject *parent = nullptr);
    ~SyncModelList() override;

    // The row of the model in that file, or an invalid index.
    [[nodiscard]] QModelIndex indexOfFile(const QString &fileName) const;

    [[nodiscard]] int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    [[nodiscard]] QVariant data(const QModelIndex &index, int role) const override;

private:
    [[nodiscard]] QPixmap picture(const QImage &image) const;
    [[nodiscard]] QPixmap scaled(const QImage &image) const;

    QList<std::shared_ptr<ModelInfo>> m_entries;
    QSize m_pictureSize;
    // The default picture is compared once per distinct image and then drawn from this one
    // copy; a model without a picture gets an empty one of the same size, so every row keeps
    // the height the view assumes for all of them.
    QPixmap m_defaultPicture;
    QPixmap m_noPicture;
    // By QImage::cacheKey. Bounded: a library whose models all have their own photographs
    // must not keep every scaled copy the user ever scrolled past.
    mutable QCache<qint64, QPixmap> m_pictures;
};
