#pragma once

#include <QByteArray>
#include <QNetworkReply>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class InterruptWatcher;
class QIODevice;
class QUrl;
class ZandorexSiteReply;

// Runs the event loop until `condition` holds; false when the wait was cut short (Ctrl-C, or
// the device of a device command gone). The condition is looked at often, so it may also
// show progress.
using WaitUntil = std::function<bool(const std::function<bool()> &condition)>;

// The wait of a command that has no device session: Ctrl-C ends it.
class InterruptibleWait
{
public:
    InterruptibleWait();
    ~InterruptibleWait();
    InterruptibleWait(const InterruptibleWait &) = delete;
    InterruptibleWait &operator=(const InterruptibleWait &) = delete;

    [[nodiscard]] bool waitUntil(const std::function<bool()> &condition);
    [[nodiscard]] WaitUntil function();
    [[nodiscard]] bool interrupted() const { return m_interrupted; }

private:
    std::unique_ptr<InterruptWatcher> m_watcher;
    bool m_interrupted = false;
};

// Waits for the reply's finished(). When the wait is cut short the request is aborted and its
// finished() still awaited, so that nothing is left running on the network thread. True
// when the reply finished by itself.
[[nodiscard]] bool awaitReply(ZandorexSiteReply &reply, const WaitUntil &waitUntil);

struct DownloadResult
{
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QByteArray body; // empty unless error is NoError
};

// Downloads `url` into memory, at most `maxBytes`, with its progress on `err` under `label`
// (as the device transfers show theirs). None when the wait was cut short; the download is
// aborted then.
[[nodiscard]] std::optional<DownloadResult> downloadWithProgress(const QUrl &url, qint64 maxBytes,
                                                                 const WaitUntil &waitUntil,
                                                                 QIODevice &err,
                                                                 const QString &label);

// The transport's part of a failure message, as the desktop program's dialogs show it:
// "\n\n<text> (<code>)" and a line "\n<text> (<number>)" per TLS error; empty when the
// transport succeeded.
[[nodiscard]] QString transportDetails(const ZandorexSiteReply &reply);
