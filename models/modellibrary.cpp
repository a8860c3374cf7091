#include "models/modellibrary.h"

#include "app/atomicfile.h"
#include "app/log.h"
#include "models/libraryfiles.h"
#include "models/model.h"
#include "models/modelclassinfo.h"
#include "models/modelnaming.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>

#include <algorithm>

namespace {

const QString kLogCategory = QStringLiteral("ModelLibrary");

} // namespace

ModelLibrary::ModelLibrary(QString directory, QObject *parent)
    : QObject(parent)
    , m_directory(std::move(directory))
    , m_clock([] { return QDateTime::currentDateTime(); })
{
    m_saveTimer.setSingleShot(true);
    m_saveTimer.setInterval(kSaveDelay);
    // The timer fires while the user works: it must not wait for the manifest.
    connect(&m_saveTimer, &QTimer::timeout, this, [this] { writePendingSaves(); });
    connect(&m_manifestWriter, &ManifestWriter::written, this,
            [this](quint64, bool ok, const QString &errorText) { manifestWritten(ok, errorText); });

    if (!QDir().mkpath(m_directory))
        log(kLogCategory, QStringLiteral("Cannot create the folder %1").arg(m_directory));
    loadManifest();
}

ModelLibrary::~ModelLibrary()
{
    flushPendingSaves();
    // Models may outlive a library that was only opened for a while (the beta import).
    for (const std::weak_ptr<Model> &weak : std::as_const(m_openModels)) {
        if (const std::shared_ptr<Model> model = weak.lock(); model && model->library() == this)
            model->setLibrary(nullptr);
    }
}

QString ModelLibrary::filePath(const QString &fileName) const
{
    return m_directory + QLatin1Char('/') + fileName;
}

void ModelLibrary::setSaveDelay(std::chrono::milliseconds delay)
{
    m_saveTimer.setInterval(delay);
}

void ModelLibrary::setClock(std::function<QDateTime()> clock)
{
    m_clock = std::move(clock);
}

void ModelLibrary::loadManifest()
{
    const QString manifestPath = filePath(LibraryManifest::kFileName);
    bool rewrite = !m_manifest.read(manifestPath);
    const QDateTime manifestTime = QFileInfo(manifestPath).lastModified();

    QSet<QString> present;
    const QFileInfoList files =
        QDir(m_directory)
            .entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                           QDir::Unsorted);
    present.reserve(files.size());
    for (const QFileInfo &file : files) {
        const QString fileName = file.fileName();
        if (fileName == LibraryManifest::kFileName)
            continue;
        present.insert(fileName);
        if (!m_newestFileTime.isValid() || file.lastModified() > m_newestFileTime)
            m_newestFileTime = file.lastModified();
        // A model file newer than the manifest was saved after the snapshot the manifest was
        // written from (a crash before the next one, or a manifest write that failed): its
        // entry may be stale.
        if (m_manifest.contains(fileName) && file.lastModified() <= manifestTime)
            continue;
        rewrite = true;
        if (const std::optional<QJsonObject> entry = entryFromFile(file.filePath()))
            m_manifest.set(fileName, *entry);
        else
            m_manifest.remove(fileName);
    }
    for (const QString &fileName : m_manifest.unorderedFileNames()) {
        if (!present.contains(fileName)) {
            m_manifest.remove(fileName);
            rewrite = true;
        }
    }
    if (rewrite) {
        writeManifest();
        waitForWrites();
    }
}

std::optional<QJsonObject> ModelLibrary::entryFromFile(const QString &path)
{
    QByteArray data;
    const std::shared_ptr<Model> model = loadModelFile(path, &data);
    if (!model)
        return std::nullopt;
    ModelInfo info = model->info();
    info.setNotifier(nullptr);
    // The file holds the picture in the manifest's own form; taking that text spares
    // encoding the picture again, which dominates rebuilding a large manifest. A picture
    // that did not decode was replaced by the default one, whose text is made once.
    static const QString defaultPictureText = encodeModelImage(defaultModelImage());
    QString pictureText = defaultPictureText;
    if (info.image() != defaultModelImage()) {
        pictureText =
            QJsonDocument::fromJson(data).object().value(QLatin1String("image")).toString();
        if (pictureText.isEmpty())
            return info.toManifestJson();
    }
    info.setImage(QImage());
    QJsonObject entry = info.toManifestJson();
    entry.insert(QStringLiteral("image"), pictureText);
    return entry;
}

void ModelLibrary::writeManifest()
{
    // A model file dated in the future must not date the manifest there too, or files saved
    // from now on would look older than it.
    const QDateTime modified = m_newestFileTime.isValid()
                                   ? std::min(m_newestFileTime, QDateTime::currentDateTimeUtc())
                                   : QDateTime();
    m_manifestWriter.write(filePath(LibraryManifest::kFileName), m_manifest.snapshot(), modified);
}

void ModelLibrary::manifestWritten(bool ok, const QString &errorText)
{
    // Results arrive in the order of the writes, so the last one tells the state of the file.
    m_manifestStale = !ok;
    if (!ok)
        log(kLogCategory, QStringLiteral("Failed to write %1: %2")
                              .arg(filePath(LibraryManifest::kFileName), errorText));
}

bool ModelLibrary::waitForWrites()
{
    m_manifestWriter.waitForWrites();
    return !m_manifestStale;
}

void ModelLibrary::noteFileWritten(const QString &path)
{
    const QDateTime modified = QFileInfo(path).lastModified();
    if (modified.isValid() && (!m_newestFileTime.isValid() || modified > m_newestFileTime))
        m_newestFileTime = modified;
}

std::shared_ptr<Model> ModelLibrary::liveModel(const QString &fileName) const
{
    std::shared_ptr<Model> model = m_openModels.value(fileName).lock();
    // A model that moved to another file or library since is no longer this file's model.
    if (!model || model->library() != this || model->info().fileName() != fileName)
        return nullptr;
    return model;
}

void ModelLibrary::dropDeadOpenModels()
{
    for (auto it = m_openModels.begin(); it != m_openModels.end();) {
        if (it->expired())
            it = m_openModels.erase(it);
        else
            ++it;
    }
}

std::shared_ptr<Model> ModelLibrary::openModel(const QString &fileName)
{
    if (!libraryfiles::isPlainFileName(fileName))
        return nullptr;
    if (std::shared_ptr<Model> model = liveModel(fileName))
        return model;
    dropDeadOpenModels();
    std::shared_ptr<Model> model = loadModelFile(filePath(fileName));
    m_openModels.insert(fileName, model);
    if (model) {
        model->info().setFileName(fileName);
        model->setLibrary(this);
    }
    return model;
}

QString ModelLibrary::addModel(const std::shared_ptr<Model> &model)
{
    if (!model || !model->getModelClassInfo())
        return {};
    ModelLibrary *const previousLibrary = model->library();
    const QString previousFileName = model->info().fileName();
    const bool wasOpenHere = previousLibrary == this && liveModel(previousFileName) == model;
    if (wasOpenHere)
        m_openModels.remove(previousFileName);
    dropDeadOpenModels();

    // Detached while its file name changes, so that the change is not taken for an edit.
    model->setLibrary(nullptr);
    const QString fileName = QStringLiteral("%1.%2")
                                 .arg(libraryfiles::nextFileNumber(m_directory))
                                 .arg(model->getModelClassInfo()->extension);
    model->info().setFileName(fileName);
    m_openModels.insert(fileName, model);
    model->setLibrary(this);

    if (save(model) == SaveResult::Saved) {
        m_pending.removeAll(model);
        return fileName;
    }

    // Undo: the new file goes (it is ours and may be half-listed), the model returns to the
    // file it came from so that its user keeps working on it.
    log(kLogCategory, QStringLiteral("Failed to add a model as %1").arg(filePath(fileName)));
    m_openModels.remove(fileName);
    if (m_manifest.remove(fileName))
        writeManifest();
    QFile::remove(filePath(fileName));
    model->setLibrary(nullptr);
    model->info().setFileName(previousFileName);
    if (wasOpenHere)
        m_openModels.insert(previousFileName, model);
    model->setLibrary(previousLibrary);
    return {};
}

QString ModelLibrary::importModelFile(const QString &path)
{
    const std::shared_ptr<Model> model = loadModelFile(path);
    if (!model)
        return {};
    model->info().setName(uniqueName(model->info().name()));
    return addModel(model);
}

bool ModelLibrary::removeModel(const QString &fileName)
{
    if (!libraryfiles::isPlainFileName(fileName))
        return false;
    const QString path = filePath(fileName);
    if (!QFile::remove(path) && QFileInfo::exists(path)) {
        log(kLogCategory, QStringLiteral("Failed to delete %1").arg(path));
        return false;
    }
    m_manifest.remove(fileName);
    if (const std::shared_ptr<Model> model = liveModel(fileName)) {
        m_pending.removeAll(model);
        model->setLibrary(nullptr);
    }
    m_openModels.remove(fileName);
    return true;
}

ModelLibrary::SaveResult ModelLibrary::writeModelFile(const std::shared_ptr<Model> &model,
                                                      bool *entryChanged)
{
    *entryChanged = false;
    const QString fileName = model->info().fileName();
    if (liveModel(fileName) != model)
        return SaveResult::NotOpen;

    // The model file first: should the manifest write then fail or never happen, the newer
    // model file tells the next start that its entry is stale.
    const QString path = filePath(fileName);
    if (!writeFileAtomically(path, model->toFileData())) {
        log(kLogCategory, QStringLiteral("Failed to write %1").arg(path));
        return SaveResult::WriteFailed;
    }
    noteFileWritten(path);
    const QJsonObject json = model->info().toManifestJson();
    if (!m_manifest.contains(fileName) || m_manifest.json(fileName) != json) {
        m_manifest.set(fileName, json);
        *entryChanged = true;
    }
    return SaveResult::Saved;
}

ModelLibrary::SaveResult ModelLibrary::save(const std::shared_ptr<Model> &model)
{
    bool entryChanged = false;
    const SaveResult result = writeModelFile(model, &entryChanged);
    if (result == SaveResult::Saved && (entryChanged || m_manifestStale))
        writeManifest();
    return result;
}

void ModelLibrary::keepPending(const std::shared_ptr<Model> &model)
{
    if (!m_pending.contains(model))
        m_pending.append(model);
}

bool ModelLibrary::saveModel(const QString &fileName)
{
    const std::shared_ptr<Model> model = liveModel(fileName);
    if (!model)
        return false;
    if (save(model) == SaveResult::Saved) {
        m_pending.removeAll(model);
        return true;
    }
    keepPending(model);
    return false;
}

bool ModelLibrary::writePendingSaves()
{
    m_saveTimer.stop();
    const QList<std::shared_ptr<Model>> pending = std::exchange(m_pending, {});
    bool allSaved = true;
    // One manifest write for all: it holds every model's picture and can be large.
    bool entriesChanged = false;
    for (const std::shared_ptr<Model> &model : pending) {
        bool entryChanged = false;
        // A model that left the library since has nothing to write here.
        const SaveResult result = writeModelFile(model, &entryChanged);
        if (result == SaveResult::WriteFailed) {
            keepPending(model);
            allSaved = false;
        }
        entriesChanged = entriesChanged || entryChanged;
    }
    if (entriesChanged || m_manifestStale)
        writeManifest();
    return allSaved;
}

bool ModelLibrary::flushPendingSaves()
{
    const bool allSaved = writePendingSaves();
    return waitForWrites() && allSaved;
}

void ModelLibrary::modelChanged(const QString &fileName)
{
    const std::shared_ptr<Model> model = liveModel(fileName);
    if (!model)
        return;
    if (!m_pending.contains(model)) {
        m_pending.append(model);
        m_saveTimer.start();
    } else if (!m_saveTimer.isActive()) {
        // Pending from a save that failed: try again after the delay rather than only at exit.
        m_saveTimer.start();
    }
}

QList<std::shared_ptr<ModelInfo>> ModelLibrary::entries() const
{
    QList<std::shared_ptr<ModelInfo>> list;
    const QStringList fileNames = m_manifest.fileNames();
    list.reserve(fileNames.size());
    for (const QString &fileName : fileNames) {
        if (const std::shared_ptr<Model> model = liveModel(fileName))
            list.append(std::shared_ptr<ModelInfo>(model, &model->info()));
        else
            list.append(std::make_shared<ModelInfo>(m_manifest.info(fileName)));
    }
    return list;
}

QSet<QString> ModelLibrary::modelNames() const
{
    QSet<QString> names;
    const QStringList fileNames = m_manifest.unorderedFileNames();
    names.reserve(fileNames.size());
    for (const QString &fileName : fileNames) {
        const std::shared_ptr<Model> model = liveModel(fileName);
        names.insert(model ? model->info().name() : m_manifest.name(fileName));
    }
    return names;
}

bool ModelLibrary::isPending(const QString &fileName) const
{
    const std::shared_ptr<Model> model = liveModel(fileName);
    return model && m_pending.contains(model);
}

ModelInfo ModelLibrary::entryInfo(const QString &fileName) const
{
    return m_manifest.info(fileName);
}

bool ModelLibrary::importLibrary(const ModelLibrary &other)
{
    qint64 number = libraryfiles::nextFileNumber(m_directory);
    QStringList copied;
    bool allCopied = true;
    for (const QString &sourceName : other.m_manifest.fileNames()) {
        const QString fileName =
            QStringLiteral("%1.%2").arg(number++).arg(QFileInfo(sourceName).suffix());
        if (!libraryfiles::copyFileAtomically(other.filePath(sourceName), filePath(fileName))) {
            log(kLogCategory, QStringLiteral("Failed to copy %1 to %2")
                                  .arg(other.filePath(sourceName), filePath(fileName)));
            allCopied = false;
            continue;
        }
        noteFileWritten(filePath(fileName));
        m_manifest.set(fileName, other.m_manifest.json(sourceName));
        copied.append(fileName);
    }
    if (allCopied) {
        writeManifest();
        return waitForWrites();
    }

    // The source keeps every model; our copies go again so that a retry finds a clean slate.
    for (const QString &fileName : std::as_const(copied)) {
        QFile::remove(filePath(fileName));
        m_manifest.remove(fileName);
    }
    return false;
}

QString ModelLibrary::assignToDevice(const std::shared_ptr<Model> &model, int productCode,
                                     const QString &serialNumber)
{
    if (!model)
        return {};
    const QString modelSerial = model->info().serialNumber();
    if (!modelSerial.isEmpty() && modelSerial != serialNumber) {
        if (addModel(model).isEmpty())
            return {};
        model->info().setName(copyName(model->info().name()));
    }
    model->info().setSerialNumber(serialNumber);
    model->info().setProductCode(productCode);
    return model->info().fileName();
}

std::pair<QString, std::shared_ptr<Model>>
ModelLibrary::upgradeModel(const std::shared_ptr<Model> &model, const ModelDevice &target)
{
    if (!model)
        return {};
    std::shared_ptr<Model> copy = model->createUpgradedCopy(target);
    if (!copy)
        return {};
    const QString fileName = addModel(copy);
    if (fileName.isEmpty())
        return {};
    copy->info().setName(copyName(model->info().name()));
    return {fileName, copy};
}

QString ModelLibrary::newModelName() const
{
    return modelnaming::newModelName(modelNames());
}

QString ModelLibrary::uniqueName(const QString &name) const
{
    return modelnaming::uniqueName(modelNames(), name);
}

QString ModelLibrary::copyName(const QString &name) const
{
    return modelnaming::copyName(modelNames(), name, m_clock());
}
