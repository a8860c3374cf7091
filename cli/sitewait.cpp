#include "cli/sitewait.h"

#include "app/networkthread.h"
#include "cli/interruptwatcher.h"
#include "cli/progress.h"
#include "online/zandorexsite.h"

#include <QEventLoop>
#include <QTimer>

#include <atomic>

namespace {

// How often a wait looks at its condition.
constexpr int kWaitPollMs = 10;
// An aborted request or download reports within the network thread's next turn; this bounds
// the wait should it never come.
constexpr int kAbortReportTimeoutMs = 10'000;

// Runs the event loop until `condition` holds or `timeoutMs` has passed (negative: no bound);
// nothing else ends it.
void waitBounded(const std::function<bool()> &condition, int timeoutMs)
{
    if (condition())
        return;
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(kWaitPollMs);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (condition())
            loop.quit();
    });
    if (timeoutMs >= 0)
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    poll.start();
    loop.exec();
}

// What the transport has received so far; written on the network thread, read on ours.
struct DownloadCounters
{
    std::atomic<qint64> received{0};
    std::atomic<qint64> total{-1}; // -1 while the size is unknown
};

// The download's transport reply lives on the network thread; the handle holds it there
// while it runs, which is where its progress is picked up. Queued after the download's own
// job, this finds the GET running, or already over.
void countProgress(const DownloadHandle &handle, const std::shared_ptr<DownloadCounters> &counters)
{
    invokeInNetworkThread([handle, counters](QNetworkAccessManager *) {
        QNetworkReply *reply = handle->reply.load();
        if (!reply)
            return; // already over
        QObject::connect(reply, &QNetworkReply::downloadProgress,
                         [counters](qint64 received, qint64 total) {
                             counters->received = received;
                             counters->total = total;
                         });
    });
}

} // namespace

InterruptibleWait::InterruptibleWait()
    : m_watcher(std::make_unique<InterruptWatcher>())
{
    QObject::connect(m_watcher.get(), &InterruptWatcher::interrupted, m_watcher.get(),
                     [this] { m_interrupted = true; });
}

InterruptibleWait::~InterruptibleWait() = default;

bool InterruptibleWait::waitUntil(const std::function<bool()> &condition)
{
    waitBounded([&] { return m_interrupted || condition(); }, -1);
    return condition();
}

WaitUntil InterruptibleWait::function()
{
    return [this](const std::function<bool()> &condition) { return waitUntil(condition); };
}

bool awaitReply(ZandorexSiteReply &reply, const WaitUntil &waitUntil)
{
    bool finished = false;
    const QObject scope;
    QObject::connect(&reply, &ZandorexSiteReply::finished, &scope, [&] { finished = true; });
    if (waitUntil([&] { return finished; }))
        return true;
    reply.abort();
    waitBounded([&] { return finished; }, kAbortReportTimeoutMs);
    return false;
}

std::optional<DownloadResult> downloadWithProgress(const QUrl &url, qint64 maxBytes,
                                                   const WaitUntil &waitUntil, QIODevice &err,
                                                   const QString &label)
{
    // Shared with the completion and the network thread: either may outlast an interrupted
    // wait.
    auto result = std::make_shared<std::optional<DownloadResult>>();
    auto counters = std::make_shared<DownloadCounters>();
    const DownloadHandle handle = makeDownloadHandle();
    downloadFile(
        url, handle,
        [result](QNetworkReply::NetworkError error, QByteArray body) {
            *result = DownloadResult{error, std::move(body)};
        },
        maxBytes);
    countProgress(handle, counters);

    ProgressReporter progress(err, label, ProgressReporter::isTerminal(err));
    const bool completed = waitUntil([&] {
        const qint64 total = counters->total;
        if (total > 0)
            progress.update(float(double(counters->received) / double(total)));
        return result->has_value();
    });
    if (completed) {
        if (result->value().error == QNetworkReply::NoError)
            progress.update(1.0f);
        return *result;
    }
    progress.finish();
    abortDownload(handle);
    waitBounded([&] { return result->has_value(); }, kAbortReportTimeoutMs);
    return std::nullopt;
}

QString transportDetails(const ZandorexSiteReply &reply)
{
    if (reply.networkError == QNetworkReply::NoError)
        return {};
    QString details = QStringLiteral("\n\n%1 (%2)").arg(reply.errorString).arg(reply.networkError);
    for (const QSslError &error : reply.sslErrors)
        details += QStringLiteral("\n%1 (%2)").arg(error.errorString()).arg(int(error.error()));
    return details;
}
