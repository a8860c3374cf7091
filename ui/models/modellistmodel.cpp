#include "ui/models/modellistmodel.h"

#include "models/modelclassinfo.h"
#include "models/modelinfo.h"
#include "models/modellibrary.h"
#include "online/versions.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTimer>

#include <algorithm>

namespace {

// Enough for every row a tall window shows, several times over, while scrolling back and forth.
constexpr int kPictureCacheSize = 512;

quint64 deviceKey(int productCode, int parameterVersion)
{
    return (quint64(quint32(productCode)) << 32) | quint32(parameterVersion);
}

} // namespace

const QString ModelListModel::kThisDeviceTitle = ModelListModel::tr("This Device");
const QString ModelListModel::kOtherDevicesTitle = ModelListModel::tr("Other Devices");
const QString ModelListModel::kNewModelTitle = ModelListModel::tr("New Model");

ModelListModel::ModelListModel(ModelLibrary *library, QObject *parent, int immediateLoadLimit)
    : QAbstractListModel(parent)
    , m_library(library)
    , m_immediateLoadLimit(immediateLoadLimit)
    , m_pictures(kPictureCacheSize)
{
    reload();
}

void ModelListModel::reload()
{
    if (isLoading())
        return; // the rows come when the first read ends
    if (!m_loadedOnce && m_library && m_library->fileNames().size() > m_immediateLoadLimit) {
        m_filesToLoad = m_library->fileNames();
        m_filesLoaded = 0;
        m_loadTimer = new QTimer(this);
        connect(m_loadTimer, &QTimer::timeout, this, &ModelListModel::loadStep);
        m_loadTimer->start(0);
        return;
    }
    readEntries();
}

void ModelListModel::loadStep()
{
    QElapsedTimer step;
    step.start();
    while (m_filesLoaded < m_filesToLoad.size() && step.elapsed() < kLoadStepMs)
        (void)m_library->entryInfo(m_filesToLoad.at(m_filesLoaded++));
    if (m_filesLoaded < m_filesToLoad.size())
        return;
    m_loadTimer->deleteLater();
    m_loadTimer = nullptr;
    m_filesToLoad.clear();
    // Every entry is decoded now: reading them all takes milliseconds.
    readEntries();
    emit loadingFinished();
}

void ModelListModel::readEntries()
{
    m_loadedOnce = true;
    std::vector<Entry> entries;
    if (m_library) {
        const QList<std::shared_ptr<ModelInfo>> infos = m_library->entries();
        entries.reserve(infos.size());
        for (const std::shared_ptr<ModelInfo> &info : infos)
            entries.push_back({info->fileName(), info->name(), info->serialNumber(),
                               info->productCode(), info->parameterVersion(), info->image()});
    }
    m_entries = std::move(entries);
    rebuildRows();
}

void ModelListModel::setDeviceSerialNumber(const std::optional<QString> &serialNumber)
{
    if (serialNumber == m_deviceSerial)
        return;
    m_deviceSerial = serialNumber;
    rebuildRows();
}

void ModelListModel::setFilterText(const QString &text)
{
    if (text == m_filterText)
        return;
    m_filterText = text;
    rebuildRows();
}

void ModelListModel::setCurrentFileName(const QString &fileName)
{
    if (fileName == m_currentFileName)
        return;
    const QModelIndex before = indexOfFile(m_currentFileName);
    m_currentFileName = fileName;
    const QModelIndex after = indexOfFile(m_currentFileName);
    for (const QModelIndex &index : {before, after}) {
        if (index.isValid())
            emit dataChanged(index, index, {CurrentRole});
    }
}

bool ModelListModel::matchesFilter(const Entry &entry) const
{
    return m_filterText.isEmpty() || entry.name.contains(m_filterText, Qt::CaseInsensitive);
}

std::vector<ModelListModel::Row> ModelListModel::layRows() const
{
    std::vector<Row> rows;
    rows.reserve(m_entries.size() + 3);
    if (!m_deviceSerial) {
        for (int i = 0; i < int(m_entries.size()); ++i) {
            if (matchesFilter(m_entries[i]))
                rows.push_back({RowKind::Model, RowGroup::None, i, m_entries[i].fileName});
        }
        return rows;
    }

    std::vector<Row> mine;
    std::vector<Row> others;
    bool deviceHasModel = false;
    for (int i = 0; i < int(m_entries.size()); ++i) {
        const bool isMine = m_entries[i].serialNumber == *m_deviceSerial;
        deviceHasModel = deviceHasModel || isMine;
        if (!matchesFilter(m_entries[i]))
            continue;
        if (isMine)
            mine.push_back({RowKind::Model, RowGroup::ThisDevice, i, m_entries[i].fileName});
        else
            others.push_back({RowKind::Model, RowGroup::OtherDevices, i, m_entries[i].fileName});
    }
    // The device's own group stays in view while it has no model: that is where the user
    // starts one. A search hides it, since the row would match nothing typed.
    const bool offerNewModel = !deviceHasModel && m_filterText.isEmpty();
    if (!mine.empty() || offerNewModel) {
        rows.push_back({RowKind::Header, RowGroup::ThisDevice, -1, {}});
        rows.insert(rows.end(), mine.begin(), mine.end());
        if (offerNewModel)
            rows.push_back({RowKind::NewModel, RowGroup::ThisDevice, -1, {}});
    }
    if (!others.empty()) {
        rows.push_back({RowKind::Header, RowGroup::OtherDevices, -1, {}});
        rows.insert(rows.end(), others.begin(), others.end());
    }
    return rows;
}

void ModelListModel::rebuildRows()
{
    std::vector<Row> rows = layRows();
    // Same rows in the same places (a refresh after an edit, a device that reconnects): keep the
    // indexes and only say that the data may have changed.
    const bool sameShape =
        rows.size() == m_rows.size() &&
        std::equal(rows.begin(), rows.end(), m_rows.begin(), [](const Row &a, const Row &b) {
            return a.kind == b.kind && a.group == b.group && a.fileName == b.fileName;
        });
    if (sameShape) {
        m_rows = std::move(rows); // entry indexes may differ where rows are filtered out
        if (!m_rows.empty())
            emit dataChanged(index(0), index(rowCount() - 1));
        return;
    }
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

QModelIndex ModelListModel::indexOfFile(const QString &fileName) const
{
    if (fileName.isEmpty())
        return {};
    for (int row = 0; row < int(m_rows.size()); ++row) {
        const Row &r = m_rows[row];
        if (r.kind == RowKind::Model && m_entries[r.entry].fileName == fileName)
            return index(row);
    }
    return {};
}

QModelIndex ModelListModel::newModelIndex() const
{
    for (int row = 0; row < int(m_rows.size()); ++row) {
        if (m_rows[row].kind == RowKind::NewModel)
            return index(row);
    }
    return {};
}

int ModelListModel::modelRowCount() const
{
    return int(std::count_if(m_rows.begin(), m_rows.end(),
                             [](const Row &row) { return row.kind == RowKind::Model; }));
}

ModelListModel::RowKind ModelListModel::kindOf(const QModelIndex &index)
{
    return RowKind(index.data(KindRole).toInt());
}

int ModelListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QString ModelListModel::groupTitle(RowGroup group)
{
    switch (group) {
    case RowGroup::ThisDevice:
        return kThisDeviceTitle;
    case RowGroup::OtherDevices:
        return kOtherDevicesTitle;
    case RowGroup::None:
        break;
    }
    return {};
}

bool ModelListModel::isRow(const QModelIndex &index) const
{
    return index.isValid() && index.model() == this && !index.parent().isValid() &&
           index.column() == 0 && index.row() < int(m_rows.size());
}

QVariant ModelListModel::data(const QModelIndex &index, int role) const
{
    if (!isRow(index))
        return {};
    const Row &row = m_rows[size_t(index.row())];
    switch (role) {
    case KindRole:
        return int(row.kind);
    case GroupRole:
        return int(row.group);
    default:
        break;
    }
    if (row.kind == RowKind::Header)
        return role == Qt::DisplayRole || role == NameRole ? groupTitle(row.group) : QVariant();
    if (row.kind == RowKind::NewModel)
        return role == Qt::DisplayRole || role == NameRole ? kNewModelTitle : QVariant();

    const Entry &entry = m_entries[size_t(row.entry)];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
    case NameRole:
        return entry.name;
    case FileNameRole:
        return entry.fileName;
    case ProductNameRole:
        return productName(entry.productCode, entry.parameterVersion);
    case SerialNumberRole:
        return serialNumberDisplayForm(entry.serialNumber);
    case Qt::DecorationRole:
    case PictureRole:
        return scaledPicture(entry.picture);
    case CurrentRole:
        return !m_currentFileName.isEmpty() && entry.fileName == m_currentFileName;
    default:
        return {};
    }
}

Qt::ItemFlags ModelListModel::flags(const QModelIndex &index) const
{
    if (!isRow(index))
        return Qt::NoItemFlags;
    switch (m_rows[size_t(index.row())].kind) {
    case RowKind::Header:
        // Neither selectable nor enabled, so that the keyboard moves past it.
        return Qt::NoItemFlags;
    case RowKind::NewModel:
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    case RowKind::Model:
        break;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

QHash<int, QByteArray> ModelListModel::roleNames() const
{
    QHash<int, QByteArray> names = QAbstractListModel::roleNames();
    names.insert(FileNameRole, "fileName");
    names.insert(NameRole, "name");
    names.insert(ProductNameRole, "productName");
    names.insert(SerialNumberRole, "serialNumber");
    names.insert(PictureRole, "picture");
    names.insert(GroupRole, "group");
    names.insert(KindRole, "kind");
    names.insert(CurrentRole, "current");
    return names;
}

QPixmap ModelListModel::scaledPicture(const QImage &picture) const
{
    if (picture.isNull())
        return {};
    const qint64 key = picture.cacheKey();
    if (const QPixmap *cached = m_pictures.object(key))
        return *cached;
    const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    const QSize target = kPictureSize * ratio;
    QPixmap scaled =
        QPixmap::fromImage(picture.size() == target ? picture
                                                    : picture.scaled(target, Qt::KeepAspectRatio,
                                                                     Qt::SmoothTransformation));
    scaled.setDevicePixelRatio(ratio);
    m_pictures.insert(key, new QPixmap(scaled));
    return scaled;
}

QString ModelListModel::productName(int productCode, int parameterVersion) const
{
    const quint64 key = deviceKey(productCode, parameterVersion);
    const auto it = m_productNames.constFind(key);
    if (it != m_productNames.cend())
        return *it;
    const std::optional<ModelDevice> device = findModelDevice(productCode, parameterVersion);
    const QString name = device ? device->name : QString();
    m_productNames.insert(key, name);
    return name;
}
