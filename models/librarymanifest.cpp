#include "models/librarymanifest.h"

#include "app/atomicfile.h"
#include "models/libraryfiles.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonParseError>

#include <algorithm>
#include <vector>

const QString LibraryManifest::kFileName = QStringLiteral("manifest.json");

namespace {

const QString kImageKey = QStringLiteral("image");

// Qt writes an indented object as "{\n", the members joined by ",\n", then "\n}\n". Each
// member's text is cut from a one-member document once, so that writing a large manifest
// only joins texts instead of re-encoding every entry.
QByteArray memberText(const QString &fileName, const QJsonObject &json)
{
    const QByteArray document =
        QJsonDocument(QJsonObject{{fileName, json}}).toJson(QJsonDocument::Indented);
    constexpr int kOpening = 2; // "{\n"
    constexpr int kClosing = 3; // "\n}\n"
    return document.mid(kOpening, document.size() - kOpening - kClosing);
}

} // namespace

bool LibraryManifest::read(const QString &path)
{
    m_entries.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return parse(file.readAll());
}

bool LibraryManifest::parse(const QByteArray &json)
{
    m_entries.clear();
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return false;

    bool intact = true;
    const QJsonObject root = document.object();
    m_entries.reserve(root.size());
    for (auto it = root.begin(); it != root.end(); ++it) {
        if (!it.value().isObject() || !libraryfiles::isPlainFileName(it.key())) {
            intact = false;
            continue;
        }
        m_entries.insert(it.key(), Entry{it.value().toObject(), {}, {}});
    }
    return intact;
}

QByteArray LibraryManifest::toJson() const
{
    const QStringList names = fileNames();
    if (names.isEmpty())
        return QByteArrayLiteral("{\n}\n");
    // Entries carry their pictures, so a large library makes a manifest of tens of megabytes:
    // the text is assembled in one allocation rather than grown step by step.
    qsizetype size = 0;
    for (const QString &name : names) {
        const Entry &entry = m_entries.find(name).value();
        if (entry.text.isEmpty())
            entry.text = memberText(name, entry.json);
        size += entry.text.size() + 2;
    }
    QByteArray text;
    text.reserve(size + 8);
    text += "{\n";
    for (int i = 0; i < names.size(); ++i) {
        if (i > 0)
            text += ",\n";
        text += m_entries.find(names.at(i)).value().text;
    }
    text += "\n}\n";
    return text;
}

bool LibraryManifest::write(const QString &path) const
{
    return writeFileAtomically(path, toJson());
}

QStringList LibraryManifest::fileNames() const
{
    // Numbers are read once per name rather than once per comparison.
    struct Key
    {
        std::optional<qint64> number;
        QString name;
    };
    std::vector<Key> keys;
    keys.reserve(m_entries.size());
    for (auto it = m_entries.keyBegin(); it != m_entries.keyEnd(); ++it)
        keys.push_back({libraryfiles::fileNumber(*it), *it});
    std::sort(keys.begin(), keys.end(), [](const Key &a, const Key &b) {
        if (a.number && b.number && *a.number != *b.number)
            return *a.number < *b.number;
        if (a.number.has_value() != b.number.has_value())
            return a.number.has_value();
        return a.name < b.name;
    });
    QStringList names;
    names.reserve(int(keys.size()));
    for (Key &key : keys)
        names.append(std::move(key.name));
    return names;
}

QStringList LibraryManifest::unorderedFileNames() const
{
    return m_entries.keys();
}

QJsonObject LibraryManifest::json(const QString &fileName) const
{
    const auto it = m_entries.constFind(fileName);
    return it == m_entries.cend() ? QJsonObject() : it->json;
}

QString LibraryManifest::name(const QString &fileName) const
{
    const auto it = m_entries.constFind(fileName);
    return it == m_entries.cend() ? QString() : it->json.value(QLatin1String("name")).toString();
}

ModelInfo LibraryManifest::info(const QString &fileName) const
{
    const auto it = m_entries.constFind(fileName);
    if (it == m_entries.cend()) {
        ModelInfo info;
        info.setFileName(fileName);
        return info;
    }
    if (!it->info) {
        QJsonObject withoutPicture = it->json;
        withoutPicture.remove(kImageKey);
        it->info = ModelInfo::fromManifestJson(fileName, withoutPicture);
        it->info->setFileName(fileName);
        it->info->setImage(picture(it->json.value(kImageKey).toString()));
    }
    return *it->info;
}

QImage LibraryManifest::picture(const QString &base64) const
{
    const auto it = m_pictures.constFind(base64);
    if (it != m_pictures.cend())
        return *it;
    const QImage image = decodeModelImage(base64);
    m_pictures.insert(base64, image);
    return image;
}

void LibraryManifest::set(const QString &fileName, const QJsonObject &json)
{
    m_entries.insert(fileName, Entry{json, {}, {}});
}

bool LibraryManifest::remove(const QString &fileName)
{
    return m_entries.remove(fileName) > 0;
}
