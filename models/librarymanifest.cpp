#include "models/librarymanifest.h"

#include "models/libraryfiles.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonParseError>

#include <algorithm>
#include <mutex>

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

// Immutable once made, apart from the text that either thread may make first: a snapshot
// being written keeps the member alive after the manifest has replaced or dropped it.
struct LibraryManifest::Member
{
    Member(const QString &fileName, const QJsonObject &json)
        : fileName(fileName)
        , json(json)
    {}

    [[nodiscard]] const QByteArray &text() const
    {
        std::call_once(once, [this] { m_text = memberText(fileName, json); });
        return m_text;
    }

    // Copies of their own rather than the entry's, so that each thread reads its own
    // instance of the shared data.
    const QString fileName;
    const QJsonObject json;

private:
    mutable std::once_flag once;
    mutable QByteArray m_text;
};

LibraryManifest::Entry LibraryManifest::makeEntry(const QString &fileName, const QJsonObject &json)
{
    return Entry{json, std::make_shared<const Member>(fileName, json), {}};
}

bool LibraryManifest::read(const QString &path)
{
    m_entries.clear();
    m_order.reset();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return parse(file.readAll());
}

bool LibraryManifest::parse(const QByteArray &json)
{
    m_entries.clear();
    m_order.reset();
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
        m_entries.insert(it.key(), makeEntry(it.key(), it.value().toObject()));
    }
    return intact;
}

LibraryManifest::Snapshot LibraryManifest::snapshot() const
{
    Snapshot snapshot;
    const QStringList names = fileNames();
    snapshot.m_members.reserve(std::size_t(names.size()));
    for (const QString &name : names)
        snapshot.m_members.push_back(m_entries.find(name)->member);
    return snapshot;
}

QList<QByteArray> LibraryManifest::Snapshot::pieces() const
{
    if (m_members.empty())
        return {QByteArrayLiteral("{\n}\n")};
    static const QByteArray separator = QByteArrayLiteral(",\n");
    QList<QByteArray> pieces;
    pieces.reserve(int(2 * m_members.size() + 1));
    pieces.append(QByteArrayLiteral("{\n"));
    for (std::size_t i = 0; i < m_members.size(); ++i) {
        if (i > 0)
            pieces.append(separator);
        pieces.append(m_members[i]->text());
    }
    pieces.append(QByteArrayLiteral("\n}\n"));
    return pieces;
}

QByteArray LibraryManifest::Snapshot::toJson() const
{
    const QList<QByteArray> parts = pieces();
    qsizetype size = 0;
    for (const QByteArray &part : parts)
        size += part.size();
    // Entries carry their pictures, so a large library makes a manifest of tens of megabytes:
    // the text is assembled in one allocation rather than grown step by step.
    QByteArray text;
    text.reserve(size);
    for (const QByteArray &part : parts)
        text += part;
    return text;
}

QStringList LibraryManifest::fileNames() const
{
    // Every save of a changed entry takes a snapshot in this order; with thousands of entries
    // sorting them each time was a good part of the save.
    if (!m_order)
        m_order = sortedFileNames();
    return *m_order;
}

QStringList LibraryManifest::sortedFileNames() const
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
    if (!m_entries.contains(fileName))
        m_order.reset();
    m_entries.insert(fileName, makeEntry(fileName, json));
}

bool LibraryManifest::remove(const QString &fileName)
{
    if (m_entries.remove(fileName) == 0)
        return false;
    m_order.reset();
    return true;
}
