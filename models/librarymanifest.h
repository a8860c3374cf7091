#pragma once

#include "models/modelinfo.h"

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

// The descriptive data of a library's models as kept in manifest.json: one JSON object per
// file name. Entries stay in their JSON form so that a large library opens without decoding
// every picture; the decoded info and the written text of each entry are made on first use.
class LibraryManifest
{
    struct Member;

public:
    static const QString kFileName; // "manifest.json"

    // The entries as they were when it was taken, for writing on another thread while the
    // manifest goes on changing. Taking one copies no text: it shares each entry's written
    // form, made once by whichever thread needs it first.
    class Snapshot
    {
    public:
        // The indented JSON document in order, in pieces, so that writing a manifest of tens
        // of megabytes does not first copy it into one buffer.
        [[nodiscard]] QList<QByteArray> pieces() const;
        [[nodiscard]] QByteArray toJson() const;

    private:
        friend class LibraryManifest;
        std::vector<std::shared_ptr<const Member>> m_members;
    };

    // Replaces the entries with those of the file. Returns false when the file could not be
    // read or was not a JSON object, or when some member was not an object (such members are
    // left out): the caller then rebuilds what is missing from the model files.
    bool read(const QString &path);
    // The same from the file's bytes.
    bool parse(const QByteArray &json);
    [[nodiscard]] Snapshot snapshot() const;
    // The whole manifest as indented JSON.
    [[nodiscard]] QByteArray toJson() const { return snapshot().toJson(); }

    [[nodiscard]] bool contains(const QString &fileName) const
    {
        return m_entries.contains(fileName);
    }
    [[nodiscard]] int size() const { return int(m_entries.size()); }
    // File names in library order: numbered names by number, then the rest by name.
    [[nodiscard]] QStringList fileNames() const;
    [[nodiscard]] QStringList unorderedFileNames() const;
    [[nodiscard]] QJsonObject json(const QString &fileName) const;
    // The model name of the entry, without decoding its picture.
    [[nodiscard]] QString name(const QString &fileName) const;
    // The entry as info with its file name set; an info with only the file name when absent.
    [[nodiscard]] ModelInfo info(const QString &fileName) const;

    void set(const QString &fileName, const QJsonObject &json);
    bool remove(const QString &fileName);

private:
    struct Entry
    {
        QJsonObject json;
        std::shared_ptr<const Member> member;  // the member as written, shared with snapshots
        mutable std::optional<ModelInfo> info; // decoded, once asked for
    };

    [[nodiscard]] static Entry makeEntry(const QString &fileName, const QJsonObject &json);
    [[nodiscard]] QStringList sortedFileNames() const;

    [[nodiscard]] QImage picture(const QString &base64) const;

    QHash<QString, Entry> m_entries;
    mutable std::optional<QStringList> m_order; // fileNames(), until a name comes or goes
    // Decoded pictures by their stored text: most models share a few pictures (the default
    // one above all), and decoding each copy would cost time and a bitmap per model.
    mutable QHash<QString, QImage> m_pictures;
};
