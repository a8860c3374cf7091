#include "servicerig.h"
#include "testregistry.h"

#include <QSignalSpy>
#include <QTest>

using namespace servicerig;
using testservice::Fault;
using testservice::FaultKind;
using Error = QNetworkReply::NetworkError;

namespace {

constexpr qint64 kGenerousBound = 1 << 20;

struct Downloaded
{
    int calls = 0;
    Error error = QNetworkReply::NoError;
    QByteArray body;
};

// A download whose completion is recorded; the record outlives the test if the completion
// came late.
struct Download
{
    DownloadHandle handle = makeDownloadHandle();
    std::shared_ptr<Downloaded> result = std::make_shared<Downloaded>();

    void start(const QUrl &url, qint64 maxBytes = kGenerousBound)
    {
        downloadFile(
            url, handle,
            [result = result](Error error, QByteArray body) {
                ++result->calls;
                result->error = error;
                result->body = std::move(body);
            },
            maxBytes);
    }

    // Waits for the completion and for anything queued behind it, so a second one would show.
    [[nodiscard]] bool finish()
    {
        return QTest::qWaitFor([&] { return result->calls > 0; }, kWaitMs) &&
               drainNetworkThread() && result->calls == 1;
    }
};

// The addresses the service lists for the pilot's device.
QList<UpdateData> listedUpdates()
{
    std::unique_ptr<UpdatesReply> reply(ZandorexSite::getUpdatesList(kPilotGuid, kPilotDevice));
    QSignalSpy finished(reply.get(), &ZandorexSiteReply::finished);
    if (!waitForFinished(finished) || !reply->succeeded())
        return {};
    return reply->updates;
}

QUrl servedAt(const ServiceRig &rig, const QString &path)
{
    QUrl url = rig.service.baseUrl();
    url.setPath(path);
    return url;
}

Fault downloadFault(FaultKind kind, qint64 value = -1)
{
    Fault fault;
    fault.operation = QStringLiteral("download");
    fault.kind = kind;
    fault.value = value;
    return fault;
}

} // namespace

class SiteDownloadTest : public QObject
{
    Q_OBJECT

private slots:
    // The file and the change list at the addresses of the updates list arrive whole; the
    // handle is empty again afterwards.
    void listedFilesDownload_data()
    {
        QTest::addColumn<Scheme>("scheme");
        QTest::newRow("http") << Scheme::Http;
        QTest::newRow("https") << Scheme::Https;
    }
    void listedFilesDownload()
    {
        QFETCH(Scheme, scheme);
        ServiceRig rig;
        QVERIFY(rig.start(scheme));
        const QList<UpdateData> updates = listedUpdates();
        QVERIFY(!updates.isEmpty());
        const testservice::OfferedUpdate offered = ServiceRig::productUpdate();

        Download file;
        file.start(QUrl(updates.first().downloadUri), siteconfig::kMaxUpdateBytes);
        QVERIFY(file.finish());
        QCOMPARE(file.result->error, QNetworkReply::NoError);
        QCOMPARE(file.result->body, offered.file);
        QCOMPARE(file.handle->reply.load(), nullptr);

        Download changes;
        changes.start(QUrl(updates.first().manualDownloadUri), siteconfig::kMaxChangeListBytes);
        QVERIFY(changes.finish());
        QCOMPARE(changes.result->error, QNetworkReply::NoError);
        QCOMPARE(changes.result->body, offered.changes);
        QCOMPARE(rig.service.downloadCount(), 2);
    }

    // Every failed download reports its error with an empty body, and leaves no connection
    // open: a body over the bound is not drained to its end.
    void failedDownloads_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("faultKind"); // -1: none
        QTest::addColumn<qint64>("faultValue");
        QTest::addColumn<qint64>("maxBytes");
        QTest::addColumn<int>("expected");
        const QString file = QStringLiteral("/files/%1.sax").arg(ServiceRig::productUpdate().guid);
        QTest::newRow("not found") << "/files/none.sax" << -1 << qint64(0) << kGenerousBound
                                   << int(QNetworkReply::ContentNotFoundError);
        QTest::newRow("file over the bound")
            << file << -1 << qint64(0) << qint64(ServiceRig::productUpdate().file.size() - 1)
            << int(QNetworkReply::UnknownContentError);
        QTest::newRow("endless body") << file << int(FaultKind::HugeBody) << qint64(512 << 20)
                                      << kGenerousBound << int(QNetworkReply::UnknownContentError);
        QTest::newRow("connection closed")
            << file << int(FaultKind::CloseConnection) << qint64(0) << kGenerousBound
            << int(QNetworkReply::RemoteHostClosedError);
        QTest::newRow("stalled") << file << int(FaultKind::Stall) << qint64(0) << kGenerousBound
                                 << int(QNetworkReply::TimeoutError);
    }
    void failedDownloads()
    {
        QFETCH(QString, path);
        QFETCH(int, faultKind);
        QFETCH(qint64, faultValue);
        QFETCH(qint64, maxBytes);
        QFETCH(int, expected);
        ServiceRig rig;
        QVERIFY(rig.start());
        siteconfig::setTransferTimeoutMs(1500);
        if (faultKind >= 0) {
            Fault fault = downloadFault(FaultKind(faultKind), faultValue);
            fault.count = 0; // the transport's resend after a dropped connection meets it too
            rig.service.addFault(fault);
        }
        Download download;
        download.start(servedAt(rig, path), maxBytes);
        QVERIFY(download.finish());
        QCOMPARE(int(download.result->error), expected);
        QVERIFY(download.result->body.isEmpty());
        QCOMPARE(download.handle->reply.load(), nullptr);
        QVERIFY(waitForNoConnections(rig.service));
    }

    // Aborting a download the service is slow to answer reports the cancel once, and the
    // client closes the connection.
    void abortEndsASlowDownload_data()
    {
        QTest::addColumn<int>("faultKind");
        QTest::newRow("late answer") << int(FaultKind::Delay);
        QTest::newRow("stalled answer") << int(FaultKind::Stall);
    }
    void abortEndsASlowDownload()
    {
        QFETCH(int, faultKind);
        ServiceRig rig;
        QVERIFY(rig.start());
        rig.service.addFault(downloadFault(FaultKind(faultKind), 60'000));
        QSignalSpy arrived(&rig.service, &testservice::TestService::requestReceived);
        Download download;
        download.start(
            servedAt(rig, QStringLiteral("/files/%1.sax").arg(ServiceRig::productUpdate().guid)));
        QVERIFY(QTest::qWaitFor([&] { return arrived.count() == 1; }, kWaitMs));
        abortDownload(download.handle);
        QVERIFY(download.finish());
        QCOMPARE(download.result->error, QNetworkReply::OperationCanceledError);
        QVERIFY(download.result->body.isEmpty());
        QVERIFY(waitForNoConnections(rig.service));
    }

    // The addresses come from the service; only web addresses are fetched.
    void nonWebAddressesAreRefused_data()
    {
        QTest::addColumn<QUrl>("url");
        QTest::newRow("local file") << QUrl::fromLocalFile(QStringLiteral("/etc/hostname"));
        QTest::newRow("resource") << QUrl(QStringLiteral("qrc:/icons/app.png"));
        QTest::newRow("ftp") << QUrl(QStringLiteral("ftp://127.0.0.1/update.sax"));
    }
    void nonWebAddressesAreRefused()
    {
        QFETCH(QUrl, url);
        Download download;
        download.start(url);
        QVERIFY(download.finish());
        QCOMPARE(download.result->error, QNetworkReply::ProtocolUnknownError);
        QVERIFY(download.result->body.isEmpty());
    }
};

ZX_REGISTER_TEST(SiteDownloadTest);
#include "test_sitedownload.moc"
