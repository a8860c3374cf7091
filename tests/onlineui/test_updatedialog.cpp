// The update dialog against the test service: the offered list, the change lists, and the
// download of the chosen update with its cancellation and its failure.
#include "online/ui/updatedialog.h"
#include "onlineuirig.h"
#include "testregistry.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextEdit>

using namespace onlineuitest;

namespace {

const QString kGuid = QStringLiteral("7D3C2F9A-0000-4000-8000-00000000D1A1");
const QString kSerial = QStringLiteral("ZX-RX-0001");
constexpr int kProduct = 0xD9;

struct Form
{
    explicit Form(UpdateDialog &dialog)
        : list(dialog.findChild<QListWidget *>(QStringLiteral("updatesList")))
        , title(dialog.findChild<QLabel *>(QStringLiteral("titleLabel")))
        , description(dialog.findChild<QTextEdit *>(QStringLiteral("descriptionTextEdit")))
        , changes(dialog.findChild<QTextEdit *>(QStringLiteral("changesTextEdit")))
        , update(dialog.findChild<QPushButton *>(QStringLiteral("updateButton")))
    {}

    QListWidget *list;
    QLabel *title;
    QTextEdit *description;
    QTextEdit *changes;
    QPushButton *update;
};

testservice::OfferedUpdate offered(const QString &version, const QByteArray &changes = {})
{
    testservice::OfferedUpdate update;
    update.guid = QStringLiteral("update-") + version;
    update.title = QStringLiteral("Version ") + version;
    update.description = QStringLiteral("<p>Smoother <b>gyro</b> in %1.</p>").arg(version);
    update.version = version;
    update.releaseDate = QStringLiteral("2024-03-01T00:00:00");
    update.productCodeText = QString::number(kProduct);
    update.productCode = kProduct;
    update.changes = changes;
    update.file = QByteArrayLiteral("not firmware");
    return update;
}

// The next download's headers come, its body never does.
testservice::Fault stalledDownload()
{
    testservice::Fault fault;
    fault.operation = QStringLiteral("download");
    fault.kind = testservice::FaultKind::Stall;
    return fault;
}

} // namespace

class UpdateDialogTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<ServiceRig> m_service;

    // The service's list for the test device, as the update widget would get it.
    QList<UpdateData> listed()
    {
        UpdatesReply *reply = ZandorexSite::getUpdatesList(kGuid, kSerial);
        QSignalSpy finished(reply, &UpdatesReply::finished);
        QList<UpdateData> updates = finished.wait(kWaitMs) ? reply->updates : QList<UpdateData>();
        reply->deleteLater();
        return updates;
    }

private slots:
    void init()
    {
        m_service = std::make_unique<ServiceRig>();
        QVERIFY(m_service->listening);
        m_service->service.addAccount({QStringLiteral("tester"), QStringLiteral("secret-1"), kGuid,
                                       QStringLiteral("Test"), QStringLiteral("User"),
                                       QStringLiteral("tester@example.com"), true});
        m_service->service.addDevice({kSerial, kProduct, true, kGuid});
    }
    void cleanup() { m_service.reset(); }

    // One update needs no list; with several the list shows, its first row chosen, and each
    // selection shows its own title and description.
    void listShowsOnlyForSeveralUpdates()
    {
        m_service->service.addUpdate(offered(QStringLiteral("2.0")));
        m_service->service.addUpdate(offered(QStringLiteral("2.1")));
        const QList<UpdateData> updates = listed();
        QCOMPARE(updates.size(), 2);

        UpdateDialog dialog(nullptr);
        const Form form(dialog);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Update Available"));
        dialog.setUpdates({updates.first()}, 0, kProduct, kSerial);
        QVERIFY(form.list->isHidden());
        QCOMPARE(form.title->text(), QStringLiteral("Version 2.0"));

        dialog.setUpdates(updates, 0, kProduct, kSerial);
        QVERIFY(!form.list->isHidden());
        QCOMPARE(form.list->count(), 2);
        QCOMPARE(form.list->currentRow(), 0);
        form.list->setCurrentRow(1);
        QCOMPARE(form.title->text(), QStringLiteral("Version 2.1"));
        QCOMPARE(form.description->toPlainText(), QStringLiteral("Smoother gyro in 2.1."));
        QCOMPARE(form.update->text(), QStringLiteral("Update"));
    }

    // The change list is shown as plain UTF-8 text; what is not UTF-8, or does not arrive,
    // says so instead.
    void changeListIsShown_data()
    {
        QTest::addColumn<QByteArray>("changes");
        QTest::addColumn<bool>("missing");
        QTest::addColumn<QString>("shown");
        QTest::newRow("utf-8 text") << QByteArray("Trim <kept> as typed.\nMenüs faster.") << false
                                    << QStringLiteral("Trim <kept> as typed.\nMenüs faster.");
        QTest::newRow("invalid utf-8") << QByteArray("Fixed \xff\xfe the trim") << false
                                       << QStringLiteral("(invalid encoding)");
        QTest::newRow("breaks off in a character")
            << QByteArray("Menus \xc3") << false << QStringLiteral("(invalid encoding)");
        QTest::newRow("not found")
            << QByteArray("lost") << true << QStringLiteral("Error getting list of changes.");
    }
    void changeListIsShown()
    {
        QFETCH(QByteArray, changes);
        QFETCH(bool, missing);
        QFETCH(QString, shown);
        m_service->service.addUpdate(offered(QStringLiteral("2.0"), changes));
        QList<UpdateData> updates = listed();
        QCOMPARE(updates.size(), 1);
        if (missing)
            updates[0].manualDownloadUri = m_service->missingFile();

        UpdateDialog dialog(nullptr);
        const Form form(dialog);
        dialog.setUpdates(updates, 0, kProduct, kSerial);
        QVERIFY(QTest::qWaitFor([&] { return !form.changes->toPlainText().isEmpty(); }, kWaitMs));
        QCOMPARE(form.changes->toPlainText(), shown);
    }

    // Cancel stops the download and keeps the dialog open for another try; a second Cancel
    // closes it.
    void cancelStopsTheDownload()
    {
        m_service->service.addUpdate(offered(QStringLiteral("2.0")));
        const QList<UpdateData> updates = listed();
        m_service->service.addFault(stalledDownload());

        MessageBoxCatcher catcher;
        UpdateDialog dialog(nullptr);
        const Form form(dialog);
        dialog.setUpdates(updates, 0, kProduct, kSerial);
        dialog.open();
        form.update->click();
        QVERIFY(!form.update->isEnabled());
        QVERIFY(dialog.isDownloading());
        QVERIFY(QTest::qWaitFor([&] { return m_service->service.downloadCount() == 1; }, kWaitMs));

        dialog.reject();
        QVERIFY(dialog.isVisible());
        QVERIFY(QTest::qWaitFor([&] { return form.update->isEnabled(); }, kWaitMs));
        QVERIFY(!dialog.isDownloading());
        QVERIFY(dialog.isVisible());
        QVERIFY(catcher.boxes.isEmpty());

        dialog.reject();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }

    void failedDownloadIsReported()
    {
        m_service->service.addUpdate(offered(QStringLiteral("2.0")));
        QList<UpdateData> updates = listed();
        QCOMPARE(updates.size(), 1);
        updates[0].downloadUri = m_service->missingFile();

        MessageBoxCatcher catcher;
        UpdateDialog dialog(nullptr);
        const Form form(dialog);
        dialog.setUpdates(updates, 0, kProduct, kSerial);
        dialog.open();
        form.update->click();
        QVERIFY(catcher.waitForBoxes(1));
        QCOMPARE(catcher.boxes, QStringList{QStringLiteral(
                                    "Update Failed: There was an error downloading the update.")});
        QVERIFY(form.update->isEnabled());
        QVERIFY(dialog.isVisible());
    }

    // A change list still on its way when the dialog closes never reaches it.
    void closingDropsTheChangeList()
    {
        m_service->service.addUpdate(offered(QStringLiteral("2.0"), "Late changes."));
        const QList<UpdateData> updates = listed();
        m_service->service.addFault(stalledDownload());

        auto *dialog = new UpdateDialog(nullptr);
        const Form form(*dialog);
        dialog->setUpdates(updates, 0, kProduct, kSerial);
        dialog->open();
        QVERIFY(QTest::qWaitFor([&] { return m_service->service.downloadCount() == 1; }, kWaitMs));
        dialog->reject();
        QVERIFY(!dialog->isVisible());
        // The abort closes the connection the list was coming on.
        QVERIFY(QTest::qWaitFor([&] { return m_service->service.openConnectionCount() == 0; },
                                kWaitMs));
        QCoreApplication::processEvents();
        QVERIFY(form.changes->toPlainText().isEmpty());
        delete dialog;
        QCoreApplication::processEvents();
    }

    // The whole way: the chosen update is downloaded and installed, and the dialog closes
    // once the device runs it.
    void updateInstallsAndCloses()
    {
        DeviceRig device;
        QVERIFY(device.identify());
        testservice::OfferedUpdate update = offered(QStringLiteral("8.1"));
        update.file = device.firmware(8, 1);
        m_service->service.addUpdate(update);
        const QList<UpdateData> updates = listed();
        QCOMPARE(updates.size(), 1);

        MessageBoxCatcher catcher;
        UpdateDialog dialog(device.manager.get());
        const Form form(dialog);
        dialog.setUpdates(updates, 0, std::uint16_t(device.manager->productCode()),
                          device.manager->serialNumber());
        dialog.open();
        form.update->click();
        QVERIFY(QTest::qWaitFor([&] { return !dialog.isVisible(); }, kWaitMs * 2));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(catcher.waitForBoxes(1));
        QCOMPARE(catcher.boxes, QStringList{QStringLiteral(
                                    "Update Finished: The device was successfully updated.")});
        QVERIFY(device.waitForApplication(8));
        QCOMPARE(device.manager->appVersionMinor(), 1);
    }
};

ZX_REGISTER_TEST(UpdateDialogTest);
#include "test_updatedialog.moc"
