#pragma once

#include "models/librarymanifest.h"

#include <QDateTime>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QWaitCondition>

#include <functional>
#include <memory>
#include <optional>

class QThread;

// Writes a library's manifest.json on a thread of its own: with thousands of models the file
// is tens of megabytes, and writing it on the GUI thread would freeze the window at every
// edit. One write at a time, in the order asked; a manifest asked for while another still
// waits its turn replaces it, since it holds all that the older one did. Results come back on
// the thread that owns the writer. A mutex and a wait condition rather than queued calls to a
// worker object: the owner must be able to replace a waiting write and to wait for the writes
// (before the process ends without destructors).
class ManifestWriter : public QObject
{
    Q_OBJECT

public:
    // Runs on the writer thread; libraryfiles::writePiecesAtomically unless a test holds or
    // fails the writes.
    using WriteFunction = std::function<bool(const QString &path, const QList<QByteArray> &pieces,
                                             const QDateTime &modified, QString *errorText)>;

    explicit ManifestWriter(QObject *parent = nullptr);
    explicit ManifestWriter(WriteFunction write, QObject *parent = nullptr);
    // Finishes the writes asked for, then ends the thread; their results are not reported.
    ~ManifestWriter() override;

    // Queues the snapshot for `path`, dated `modified` (see libraryfiles.h). Returns the
    // number by which `written` reports it; numbers grow with every call.
    quint64 write(const QString &path, LibraryManifest::Snapshot snapshot,
                  const QDateTime &modified);
    // Blocks until every write asked for is on disk or has failed, and reports those results
    // before it returns.
    void waitForWrites();

signals:
    // A manifest that replaced a waiting one stands for it: the older one is never reported.
    void written(quint64 serial, bool ok, const QString &errorText);

private:
    struct Job
    {
        quint64 serial = 0;
        QString path;
        LibraryManifest::Snapshot snapshot;
        QDateTime modified;
    };
    struct Result
    {
        quint64 serial = 0;
        bool ok = false;
        QString errorText;
    };

    void run();
    void reportResults();

    const WriteFunction m_write;
    QMutex m_mutex;
    QWaitCondition m_changed;
    std::optional<Job> m_queued;
    bool m_writing = false;
    bool m_stopping = false;
    QList<Result> m_results;
    quint64 m_lastSerial = 0;
    // Started with the first write: most libraries (trash, presets) rarely write at all.
    std::unique_ptr<QThread> m_thread;
};
