#include "app/lastsyncedmodels.h"

#include "app/log.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace {

const QString kErrorCategory = QStringLiteral("Error");

} // namespace

LastSyncedModels::LastSyncedModels(QString filePath)
    : m_filePath(std::move(filePath))
{}

void LastSyncedModels::loadLastSyncedModels()
{
    QFile file(m_filePath);
    if (!file.open(QIODevice::ReadOnly)) {
        log(kErrorCategory, QStringLiteral("Failed to open LastSyncedModels.json for reading"));
        return;
    }
    const QJsonObject object = QJsonDocument::fromJson(file.readAll()).object();
    m_entries.clear();
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QString modelFileName = it.value().toString();
        if (!modelFileName.isEmpty())
            m_entries.insert(it.key(), modelFileName);
    }
}

bool LastSyncedModels::saveLastSyncedModels() const
{
    // Opened here rather than through writeFileAtomically, because the log tells a file that
    // cannot be opened apart from one that could not be written.
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly)) {
        log(kErrorCategory, QStringLiteral("Failed to open LastSyncedModels.json for writing"));
        return false;
    }
    QJsonObject object;
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it)
        object.insert(it.key(), it.value());
    const QByteArray data = QJsonDocument(object).toJson(QJsonDocument::Indented);
    // A full disk may take part of a buffered write and still report success; the size on disk
    // before the commit tells the truth.
    if (file.write(data) != data.size() || !file.flush() || file.size() != data.size() ||
        !file.commit()) {
        file.cancelWriting();
        log(kErrorCategory, QStringLiteral("Failed to write to LastSyncedModels.json"));
        return false;
    }
    return true;
}

void LastSyncedModels::setLastSyncedModel(const QString &serialNumber, const QString &modelFileName)
{
    if (!serialNumber.isEmpty() && !modelFileName.isEmpty())
        m_entries.insert(serialNumber, modelFileName);
    else
        m_entries.remove(serialNumber);
    saveLastSyncedModels();
}

void LastSyncedModels::forgetLastSyncedModel(const QString &modelFileName)
{
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (it.value() == modelFileName)
            it = m_entries.erase(it);
        else
            ++it;
    }
    saveLastSyncedModels();
}

QString LastSyncedModels::modelFileFor(const QString &serialNumber) const
{
    return m_entries.value(serialNumber);
}
