// The device's update widget: which page each outcome of the online check shows, the dialogs
// the check needs, the update dialog it opens, and the file update by dialog and by drop.
#include "online/ui/deviceupdatewidget.h"
#include "online/ui/logindialog.h"
#include "online/ui/registerdevicedialog.h"
#include "online/ui/updatedialog.h"
#include "onlineuirig.h"
#include "testregistry.h"

#include <QClipboard>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QStackedWidget>
#include <QStandardPaths>

using namespace onlineuitest;

Q_DECLARE_METATYPE(UpdateData)

namespace {

const QString kSerial = QStringLiteral("ZX-RX-0001");
const QString kCheckFailed = QStringLiteral("There was a problem checking for updates.");
constexpr int kProduct = 0xD9;

QString shownPage(const DeviceUpdateWidget &widget)
{
    return widget.findChild<QStackedWidget *>(QStringLiteral("pages"))
        ->currentWidget()
        ->objectName();
}

QString labelText(const DeviceUpdateWidget &widget, const QString &name)
{
    return widget.findChild<QLabel *>(name)->text();
}

void click(const DeviceUpdateWidget &widget, const QString &buttonName)
{
    widget.findChild<QPushButton *>(buttonName)->click();
}

// Drag and drop events as the window system delivers them.
void sendDragEnter(QWidget &widget, const QMimeData &data)
{
    QDragEnterEvent event(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

void sendDrop(QWidget &widget, const QList<QUrl> &urls)
{
    QMimeData data;
    data.setUrls(urls);
    sendDragEnter(widget, data);
    QDropEvent event(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

} // namespace

class DeviceUpdateWidgetTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<SettingsRig> m_settings;
    std::unique_ptr<FakeUpdates> m_service;
    std::unique_ptr<DeviceUpdateWidget> m_widget;

    // A widget for an airplane receiver at version 1.0 whose checks go to the fake service.
    DeviceUpdateWidget &widget(const QString &serial = kSerial,
                               const QString &faaSerial = QString())
    {
        m_widget = std::make_unique<DeviceUpdateWidget>(m_settings->context());
        m_widget->updateCheck().setRequestUpdates(m_service->requester());
        m_widget->setDevice(0, QStringLiteral("ZR-217 Receiver"), serial, QStringLiteral("1.0"),
                            QStringLiteral("1.0"), kProduct, faaSerial);
        return *m_widget;
    }

private slots:
    void init()
    {
        m_settings = std::make_unique<SettingsRig>();
        m_service = std::make_unique<FakeUpdates>();
    }
    void cleanup()
    {
        m_widget.reset();
        m_service.reset();
        m_settings.reset();
    }

    // The outcome of a check decides the page; failures explain themselves on the error page.
    void outcomeShowsItsPage_data()
    {
        QTest::addColumn<int>("networkError");
        QTest::addColumn<int>("siteError");
        QTest::addColumn<QList<UpdateData>>("updates");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("text");

        const QList<UpdateData> newer = {update(QStringLiteral("1.2"), kProduct),
                                         update(QStringLiteral("2.0"), kProduct),
                                         update(QStringLiteral("1.5"), kProduct)};
        // Not newer, or not for this product: nothing to propose.
        const QList<UpdateData> none = {update(QStringLiteral("1.0"), kProduct),
                                        update(QStringLiteral("3.0"), std::nullopt),
                                        update(QStringLiteral("3.1"), 0xEF)};
        const int ok = int(ZandorexSiteError::NoError);
        QTest::newRow("newer version") << 0 << ok << newer << "updatePage"
                                       << "Version 2.0 is available.";
        QTest::newRow("nothing newer") << 0 << ok << none << "noUpdatesPage" << QString();
        QTest::newRow("transport error") << int(QNetworkReply::ConnectionRefusedError) << ok
                                         << newer << "errorCheckingPage" << kCheckFailed;
        QTest::newRow("registered to another account")
            << 0 << int(ZandorexSiteError::RegisteredToAnotherAccount) << QList<UpdateData>()
            << "errorCheckingPage"
            << kCheckFailed + QStringLiteral(" The device is registered to another account.");
        QTest::newRow("request rejected")
            << 0 << int(ZandorexSiteError::UpdatesRequestRejected) << QList<UpdateData>()
            << "errorCheckingPage" << kCheckFailed;
        QTest::newRow("invalid response")
            << 0 << int(ZandorexSiteError::InvalidResponse) << QList<UpdateData>()
            << "errorCheckingPage" << kCheckFailed;
    }
    void outcomeShowsItsPage()
    {
        QFETCH(int, networkError);
        QFETCH(int, siteError);
        QFETCH(QList<UpdateData>, updates);
        QFETCH(QString, page);
        QFETCH(QString, text);

        m_settings->logIn(QStringLiteral("guid-1"));
        DeviceUpdateWidget &shown = widget();
        QCOMPARE(shownPage(shown), QStringLiteral("checkingUpdatesPage"));
        QCOMPARE(m_service->requests, QStringList{QStringLiteral("guid-1/") + kSerial});

        m_service->answer(networkError, ZandorexSiteError(siteError), updates);
        QCOMPARE(shownPage(shown), page);
        if (page == QLatin1String("errorCheckingPage"))
            QCOMPARE(labelText(shown, QStringLiteral("errorLabel")), text);
        if (page == QLatin1String("updatePage"))
            QCOMPARE(labelText(shown, QStringLiteral("updateLabel")), text);
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }

    // A device never given a serial number cannot be asked about: an empty error page.
    void unprogrammedSerialNumberSendsNothing_data()
    {
        QTest::addColumn<QString>("serial");
        QTest::newRow("all 0xFF") << QString::fromLatin1(QByteArray(30, '\xff'));
        QTest::newRow("all zero") << QString::fromLatin1(QByteArray(30, '\0'));
    }
    void unprogrammedSerialNumberSendsNothing()
    {
        QFETCH(QString, serial);
        m_settings->logIn();
        DeviceUpdateWidget &shown = widget(serial);
        QCOMPARE(shownPage(shown), QStringLiteral("errorCheckingPage"));
        QCOMPARE(labelText(shown, QStringLiteral("errorLabel")), QString());
        click(shown, QStringLiteral("checkAgainButton"));
        QVERIFY(m_service->requests.isEmpty());
    }

    // Without a log-in the silent check stops at the log-in page; the button asks for the
    // log-in and checks once the user has logged in.
    void withoutLogInTheButtonAsksForIt()
    {
        DeviceUpdateWidget &shown = widget();
        QCOMPARE(shownPage(shown), QStringLiteral("loginAndRegisterPage"));
        QVERIFY(QApplication::activeModalWidget() == nullptr);

        bool asked = false;
        answerModal<LogInDialog>([&](LogInDialog *dialog) {
            asked = true;
            dialog->reject();
        });
        click(shown, QStringLiteral("checkForUpdateButton"));
        QVERIFY(asked);
        QCOMPARE(shownPage(shown), QStringLiteral("loginAndRegisterPage"));
        QVERIFY(m_service->requests.isEmpty());

        answerModal<LogInDialog>([&](LogInDialog *dialog) {
            m_settings->logIn(QStringLiteral("guid-2"));
            dialog->accept();
        });
        click(shown, QStringLiteral("checkForUpdateButton"));
        QCOMPARE(shownPage(shown), QStringLiteral("checkingUpdatesPage"));
        QCOMPARE(m_service->requests, QStringList{QStringLiteral("guid-2/") + kSerial});
    }

    // An unregistered device: the silent check only shows the log-in page; the button asks
    // for the registration and checks again once the device is registered.
    void unregisteredDeviceAsksForRegistration()
    {
        m_settings->logIn();
        DeviceUpdateWidget &shown = widget();
        m_service->answer(0, ZandorexSiteError::DeviceNotRegistered);
        QCOMPARE(shownPage(shown), QStringLiteral("loginAndRegisterPage"));
        QCoreApplication::processEvents();
        QVERIFY(QApplication::activeModalWidget() == nullptr);

        bool asked = false;
        answerModal<RegisterDeviceDialog>([&](RegisterDeviceDialog *dialog) {
            asked = true;
            dialog->accept();
        });
        click(shown, QStringLiteral("checkForUpdateButton"));
        QCOMPARE(m_service->requests.size(), 2);
        m_service->answer(0, ZandorexSiteError::DeviceNotRegistered);
        QVERIFY(QTest::qWaitFor([&] { return m_service->requests.size() == 3; }, kWaitMs));
        QVERIFY(asked);
        m_service->answer(0, ZandorexSiteError::NoError);
        QCOMPARE(shownPage(shown), QStringLiteral("noUpdatesPage"));
    }

    // A log-in the service no longer knows is forgotten; a check the user asked for then
    // asks for a new log-in.
    void staleLogInIsForgotten()
    {
        m_settings->logIn();
        DeviceUpdateWidget &shown = widget();
        m_service->answer(0, ZandorexSiteError::InvalidUserGuid);
        QCOMPARE(shownPage(shown), QStringLiteral("loginAndRegisterPage"));
        QCOMPARE(m_settings->settings.value(credentials::kUserGuidKey).toString(), QString());
        QCoreApplication::processEvents();
        QVERIFY(QApplication::activeModalWidget() == nullptr);

        m_settings->logIn();
        click(shown, QStringLiteral("checkForUpdateButton"));
        QString guidWhenAsked = QStringLiteral("not asked");
        answerModal<LogInDialog>([&](LogInDialog *dialog) {
            guidWhenAsked = m_settings->settings.value(credentials::kUserGuidKey).toString();
            dialog->reject();
        });
        m_service->answer(0, ZandorexSiteError::InvalidUserGuid);
        QVERIFY(
            QTest::qWaitFor([&] { return guidWhenAsked != QLatin1String("not asked"); }, kWaitMs));
        QCOMPARE(guidWhenAsked, QString());
        QCOMPARE(shownPage(shown), QStringLiteral("loginAndRegisterPage"));
        QCOMPARE(m_service->requests.size(), 2);
    }

    // "Install..." offers the proposal alone, "Install Another Version..." every update that
    // fits the device, the proposal's product code or not.
    void installButtonsOpenTheUpdateDialog()
    {
        m_settings->logIn();
        DeviceUpdateWidget &shown = widget();
        m_service->answer(0, ZandorexSiteError::NoError,
                          {update(QStringLiteral("1.5"), kProduct),
                           update(QStringLiteral("2.0"), kProduct),
                           update(QStringLiteral("2.5"), std::nullopt)});

        QStringList offered;
        bool listShown = true;
        const auto record = [&](UpdateDialog *dialog) {
            auto *list = dialog->findChild<QListWidget *>(QStringLiteral("updatesList"));
            listShown = !list->isHidden();
            offered.clear();
            for (int row = 0; row < list->count(); ++row)
                offered.append(list->item(row)->text());
            dialog->reject();
        };
        answerModal<UpdateDialog>(record);
        click(shown, QStringLiteral("installButton"));
        QCOMPARE(offered, QStringList{QStringLiteral("Version 2.0")});
        QVERIFY(!listShown);

        answerModal<UpdateDialog>(record);
        click(shown, QStringLiteral("installAnotherButton"));
        QCOMPARE(offered, (QStringList{QStringLiteral("Version 1.5"), QStringLiteral("Version 2.0"),
                                       QStringLiteral("Version 2.5")}));
        QVERIFY(listShown);
    }

    void destroyedWhileCheckingAbortsTheRequest()
    {
        m_settings->logIn();
        widget();
        const QPointer<UpdatesReply> reply = m_service->replies.last();
        m_widget.reset();
        QVERIFY(reply);
        QVERIFY(reply->isCancelled());
    }

    // The serial number in its display form; the FAA serial number only where the device
    // has one, copied as text.
    void showsTheDevice()
    {
        DeviceUpdateWidget &shown = widget(QStringLiteral("ABCDEFGHIJKLM"));
        QCOMPARE(labelText(shown, QStringLiteral("serialNumberLabel")),
                 QStringLiteral("ABCDEFGHI-JKLM"));
        QCOMPARE(shown.findChild<QLabel *>(QStringLiteral("versionLabel"))->toolTip(),
                 QStringLiteral("1.0"));
        QVERIFY(shown.findChild<QPushButton *>(QStringLiteral("copyButton"))->isHidden());

        DeviceUpdateWidget &withFaa = widget(kSerial, QStringLiteral("FA3ZX0005551"));
        QVERIFY(!withFaa.findChild<QLabel *>(QStringLiteral("faaSerialNumberLabel"))->isHidden());
        click(withFaa, QStringLiteral("copyButton"));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("FA3ZX0005551"));
    }

    // A drag with files lights the widget's edge; one without does not, and leaving clears it.
    void dragHighlightsTheWidget()
    {
        DeviceUpdateWidget &shown = widget();
        shown.resize(400, 300);
        QMimeData text;
        text.setText(QStringLiteral("not a file"));
        sendDragEnter(shown, text);
        QVERIFY(!shown.dropHighlight());

        QMimeData files;
        files.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/update.sax"))});
        sendDragEnter(shown, files);
        QVERIFY(shown.dropHighlight());
        const QColor edge = shown.grab().toImage().pixelColor(1, 150);
        QCOMPARE(edge, shown.palette().color(QPalette::Highlight));

        QDragLeaveEvent leave;
        QApplication::sendEvent(&shown, &leave);
        QVERIFY(!shown.dropHighlight());
        QVERIFY(shown.grab().toImage().pixelColor(1, 150) != edge);
    }

    // Only the first dropped file counts, and only when it is on this computer.
    void dropTakesOnlyTheFirstLocalFile_data()
    {
        QTest::addColumn<QList<QUrl>>("urls");
        QTest::addColumn<QStringList>("boxes");
        const QUrl missing = QUrl::fromLocalFile(QStringLiteral("/no/such/update.sax"));
        const QUrl remote(QStringLiteral("https://example.com/update.sax"));
        const QStringList openFailed{
            QStringLiteral("Update Failed: There was an error opening the file.")};
        QTest::newRow("local file first") << QList<QUrl>{missing, remote} << openFailed;
        QTest::newRow("several local files") << QList<QUrl>{missing, missing} << openFailed;
        QTest::newRow("remote file first") << QList<QUrl>{remote, missing} << QStringList();
    }
    void dropTakesOnlyTheFirstLocalFile()
    {
        QFETCH(QList<QUrl>, urls);
        QFETCH(QStringList, boxes);
        DeviceUpdateWidget &shown = widget();
        sendDrop(shown, urls);
        QVERIFY(!shown.dropHighlight());
        const QStringList shownBoxes = MessageBoxCatcher::visibleBoxes();
        for (QWidget *box : QApplication::topLevelWidgets())
            if (qobject_cast<QMessageBox *>(box))
                box->close();
        QCOMPARE(shownBoxes, boxes);
    }

    // The file dialog starts in the documents folder, then where the last file came from;
    // cancelling it installs nothing.
    void chooseFileRemembersTheFolder()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("update.sax"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not firmware");
        file.close();

        MessageBoxCatcher catcher;
        DeviceUpdateWidget &shown = widget();
        QList<DeviceUpdateWidget::FileRequest> requests;
        QString answer = path;
        shown.setFileChooser([&](QWidget *, const DeviceUpdateWidget::FileRequest &request) {
            requests.append(request);
            return answer;
        });
        click(shown, QStringLiteral("chooseFileButton"));
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests.first().title, QStringLiteral("Choose Update File"));
        QCOMPARE(requests.first().nameFilters,
                 (QStringList{QStringLiteral("SAX (*.sax)"), QStringLiteral("All Files (*)")}));
        QCOMPARE(requests.first().folder,
                 QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
        QCOMPARE(QDir(m_settings->settings.value(QStringLiteral("openUpdateDir")).toString()),
                 QDir(folder.path()));
        // Without a device to install on, the installation fails at once.
        QVERIFY(catcher.waitForBoxes(1));
        QVERIFY(catcher.boxes.first().startsWith(QStringLiteral("Update Failed: ")));

        answer.clear();
        shown.updateFromFile();
        QCOMPARE(requests.size(), 2);
        QCOMPARE(QDir(requests.last().folder), QDir(folder.path()));
        QCoreApplication::processEvents();
        QCOMPARE(catcher.boxes.size(), 1);
        QVERIFY(MessageBoxCatcher::visibleBoxes().isEmpty());
    }

    // A dropped update file goes onto the device, which comes back with the new version.
    void droppedFileIsInstalled()
    {
        DeviceRig device;
        QVERIFY(device.identify());
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("update.sax"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(device.firmware(8, 2));
        file.close();

        MessageBoxCatcher catcher;
        DeviceUpdateWidget shown(m_settings->context(device.manager.get()));
        shown.setDevice(0, QString(), device.manager->serialNumber(), QStringLiteral("1.0"),
                        QStringLiteral("1.0"), device.manager->productCode(), QString());
        sendDrop(shown, {QUrl::fromLocalFile(path),
                         QUrl::fromLocalFile(folder.filePath(QStringLiteral("other.sax")))});
        QVERIFY(catcher.waitForBoxes(1));
        QCOMPARE(catcher.boxes, QStringList{QStringLiteral(
                                    "Update Finished: The device was successfully updated.")});
        QVERIFY(device.waitForApplication(8));
        QCOMPARE(device.manager->appVersionMinor(), 2);
    }
};

ZX_REGISTER_TEST(DeviceUpdateWidgetTest);
#include "test_deviceupdatewidget.moc"
