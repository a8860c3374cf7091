#pragma once

#include <QAbstractListModel>
#include <QCache>
#include <QHash>
#include <QImage>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class ModelLibrary;
class QTimer;

// The models of one library as list rows, for the models page and the trash. With a device
// serial number set, the rows are grouped under "This Device" (models bound to that device)
// and "Other Devices", and a "New Model" row stands in for a device that has no model yet.
// The rows are made from the library's entries on reload(); pictures are scaled for the list
// only when a row is shown, and rows sharing a picture share the scaled copy, so that a library
// of thousands of models filters and scrolls at once. The first reload of a large library reads
// its entries in short steps from the event loop (the library decodes every model's picture
// the first time), and the rows appear when all are read.
class ModelListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    enum Role {
        FileNameRole = Qt::UserRole + 1,
        NameRole,
        ProductNameRole,
        // The serial number in its display form.
        SerialNumberRole,
        PictureRole,
        // RowGroup as int.
        GroupRole,
        // RowKind as int.
        KindRole,
        // Whether the row is the main window's current model.
        CurrentRole,
    };
    enum class RowKind { Model, Header, NewModel };
    enum class RowGroup { None, ThisDevice, OtherDevices };

    static const QString kThisDeviceTitle;
    static const QString kOtherDevicesTitle;
    static const QString kNewModelTitle;
    // The logical size of PictureRole's pixmaps.
    static constexpr QSize kPictureSize{48, 48};
    // Libraries up to this size are read at once; larger ones in steps the first time.
    static constexpr int kImmediateLoadLimit = 300;
    // How long one step of the first read may hold the event loop.
    static constexpr int kLoadStepMs = 10;

    explicit ModelListModel(ModelLibrary *library, QObject *parent = nullptr,
                            int immediateLoadLimit = kImmediateLoadLimit);

    // Reads the library's entries again. Rows that stay where they were keep their indexes
    // (only their data is announced as changed), so the view keeps its selection and scroll
    // position across a refresh that changed no file.
    void reload();
    // While the first read of a large library is under way (no rows yet).
    [[nodiscard]] bool isLoading() const { return m_loadTimer != nullptr; }
    // The connected device's serial number groups the rows; none gives one flat list.
    void setDeviceSerialNumber(const std::optional<QString> &serialNumber);
    // Only models whose name contains the text, ignoring case; empty shows all.
    void setFilterText(const QString &text);
    [[nodiscard]] const QString &filterText() const { return m_filterText; }
    void setCurrentFileName(const QString &fileName);
    [[nodiscard]] const QString &currentFileName() const { return m_currentFileName; }

    // The row of the model in that file, or an invalid index when it is not shown.
    [[nodiscard]] QModelIndex indexOfFile(const QString &fileName) const;
    // The "New Model" row, or an invalid index when it is not shown.
    [[nodiscard]] QModelIndex newModelIndex() const;
    // Models shown, not counting headers and the "New Model" row.
    [[nodiscard]] int modelRowCount() const;
    [[nodiscard]] static RowKind kindOf(const QModelIndex &index);

    [[nodiscard]] int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    [[nodiscard]] QVariant data(const QModelIndex &index, int role) const override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex &index) const override;
    [[nodiscard]] QHash<int, QByteArray> roleNames() const override;

signals:
    // The first read of a large library ended and the rows are there.
    void loadingFinished();

private:
    struct Entry
    {
        QString fileName;
        QString name;
        QString serialNumber;
        int productCode = 0;
        int parameterVersion = 0;
        QImage picture;
    };
    struct Row
    {
        RowKind kind = RowKind::Model;
        RowGroup group = RowGroup::None;
        int entry = -1;   // index into m_entries for model rows
        QString fileName; // of model rows, to tell whether a row still shows the same model
    };

    void readEntries();
    // One step of the first read: the library decodes the entries of the next files.
    void loadStep();
    // Lays the rows out again from the entries, the device and the filter.
    void rebuildRows();
    [[nodiscard]] std::vector<Row> layRows() const;
    [[nodiscard]] bool matchesFilter(const Entry &entry) const;
    [[nodiscard]] bool isRow(const QModelIndex &index) const;
    [[nodiscard]] QPixmap scaledPicture(const QImage &picture) const;
    [[nodiscard]] QString productName(int productCode, int parameterVersion) const;
    [[nodiscard]] static QString groupTitle(RowGroup group);

    ModelLibrary *m_library = nullptr;
    // Set while the first read of a large library runs.
    QTimer *m_loadTimer = nullptr;
    QStringList m_filesToLoad;
    int m_filesLoaded = 0;
    bool m_loadedOnce = false;
    int m_immediateLoadLimit = kImmediateLoadLimit;
    std::vector<Entry> m_entries;
    std::vector<Row> m_rows;
    std::optional<QString> m_deviceSerial;
    QString m_filterText;
    QString m_currentFileName;
    // Keyed by QImage::cacheKey: the library hands out one image for every model with the same
    // stored picture, so the default picture is scaled once for all of them.
    mutable QCache<qint64, QPixmap> m_pictures;
    mutable QHash<quint64, QString> m_productNames;
};
