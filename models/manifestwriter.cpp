#include "models/manifestwriter.h"

#include "models/libraryfiles.h"

#include <QMutexLocker>
#include <QThread>

#include <utility>

ManifestWriter::ManifestWriter(QObject *parent)
    : ManifestWriter(libraryfiles::writePiecesAtomically, parent)
{}

ManifestWriter::ManifestWriter(WriteFunction write, QObject *parent)
    : QObject(parent)
    , m_write(std::move(write))
{}

ManifestWriter::~ManifestWriter()
{
    if (!m_thread)
        return;
    {
        QMutexLocker locker(&m_mutex);
        m_stopping = true;
        m_changed.wakeAll();
    }
    m_thread->wait();
}

quint64 ManifestWriter::write(const QString &path, LibraryManifest::Snapshot snapshot,
                              const QDateTime &modified)
{
    QMutexLocker locker(&m_mutex);
    if (!m_thread) {
        m_thread.reset(QThread::create([this] { run(); }));
        m_thread->setObjectName(QStringLiteral("ZanProg library writer"));
        m_thread->start();
    }
    m_queued = Job{++m_lastSerial, path, std::move(snapshot), modified};
    m_changed.wakeAll();
    return m_lastSerial;
}

void ManifestWriter::waitForWrites()
{
    {
        QMutexLocker locker(&m_mutex);
        while (m_queued || m_writing)
            m_changed.wait(&m_mutex);
    }
    reportResults();
}

void ManifestWriter::run()
{
    QMutexLocker locker(&m_mutex);
    for (;;) {
        while (!m_queued && !m_stopping)
            m_changed.wait(&m_mutex);
        // Stopping still writes what was asked for: the library relies on it at exit.
        if (!m_queued)
            return;
        std::optional<Job> job = std::exchange(m_queued, std::nullopt);
        m_writing = true;
        locker.unlock();

        Result result{job->serial, false, {}};
        result.ok = m_write(job->path, job->snapshot.pieces(), job->modified, &result.errorText);
        job.reset();

        locker.relock();
        m_writing = false;
        const bool reportPosted = !m_results.isEmpty();
        m_results.append(result);
        if (!reportPosted && !m_stopping)
            QMetaObject::invokeMethod(
                this, [this] { reportResults(); }, Qt::QueuedConnection);
        m_changed.wakeAll();
    }
}

void ManifestWriter::reportResults()
{
    QList<Result> results;
    {
        QMutexLocker locker(&m_mutex);
        results.swap(m_results);
    }
    for (const Result &result : std::as_const(results))
        emit written(result.serial, result.ok, result.errorText);
}
