// The update page: one widget per identified device, with headings once there are several,
// rebuilt as the device state changes.
#include "online/ui/deviceupdatewidget.h"
#include "online/ui/updatepage.h"
#include "onlineuirig.h"
#include "testregistry.h"

#include <QLabel>

using namespace onlineuitest;

namespace {

QStringList headings(const UpdatePage &page)
{
    QStringList texts;
    for (const QLabel *label : page.findChildren<QLabel *>(QStringLiteral("deviceHeading")))
        if (!label->parentWidget()->isHidden())
            texts.append(label->text());
    return texts;
}

QString labelText(const DeviceUpdateWidget &widget, const QString &name)
{
    return widget.findChild<QLabel *>(name)->text();
}

} // namespace

class UpdatePageTest : public QObject
{
    Q_OBJECT

private slots:
    // A single device: no heading; the catalog's name for its serial number, and the
    // application's major and minor version.
    void showsTheDevice()
    {
        devsim::DeviceProfile profile = devsim::profiles::airplaneReceiver();
        profile.serialNumber = catalogSerialNumber('\x0c');
        profile.appVersionMajor = 3;
        profile.appVersionMinor = 7;
        DeviceRig device(profile);
        QVERIFY(device.identify());
        SettingsRig settings;

        UpdatePage page(settings.context(device.manager.get()));
        const QList<DeviceUpdateWidget *> widgets = page.deviceWidgets();
        QCOMPARE(widgets.size(), 1);
        QVERIFY(headings(page).isEmpty());
        const DeviceUpdateWidget &widget = *widgets.first();
        QCOMPARE(int(widget.target()), 0);
        QCOMPARE(labelText(widget, QStringLiteral("deviceNameLabel")),
                 QStringLiteral("ZR-217 Receiver"));
        QCOMPARE(labelText(widget, QStringLiteral("versionLabel")), QStringLiteral("3.7"));
        QCOMPARE(widget.findChild<QLabel *>(QStringLiteral("versionLabel"))->toolTip(),
                 QStringLiteral("3.7"));
        QCOMPARE(widget.updateCheck().device().productCode, device.manager->productCode());
    }

    // A base device with two behind it: a heading and a widget for each, targeted at its
    // index, with the release number that the bootloader reports.
    void devicesBehindTheBaseGetTheirOwnWidgets()
    {
        DeviceRig device(devsim::profiles::baseWithAuxiliaries(), true);
        QVERIFY(device.identify());
        SettingsRig settings;

        UpdatePage page(settings.context(device.manager.get()));
        const QList<DeviceUpdateWidget *> widgets = page.deviceWidgets();
        QCOMPARE(widgets.size(), 3);
        QCOMPARE(headings(page),
                 (QStringList{QStringLiteral("Base Device"), QStringLiteral("Aux Device 1"),
                              QStringLiteral("Aux Device 2")}));
        for (int index = 0; index < 3; ++index)
            QCOMPARE(int(widgets.at(index)->target()), index);
        const DeviceUpdateWidget &aux = *widgets.at(1);
        // As the bootloader reports it: 30 characters, padded.
        QVERIFY(aux.updateCheck().device().serialNumber.startsWith(QStringLiteral("ZX-AUX-0101")));
        QCOMPARE(aux.updateCheck().device().productCode, 0x89);
        QCOMPARE(labelText(aux, QStringLiteral("versionLabel")), QStringLiteral("1.4.2"));
        QCOMPARE(aux.findChild<QLabel *>(QStringLiteral("versionLabel"))->toolTip(),
                 QStringLiteral("1.4"));
    }

    // The page follows the device: once the link is gone, so are the widgets.
    void followsTheDeviceState()
    {
        DeviceRig device;
        SettingsRig settings;
        UpdatePage page(settings.context(device.manager.get()));
        QVERIFY(page.deviceWidgets().isEmpty());

        QVERIFY(device.identify());
        QCOMPARE(page.deviceWidgets().size(), 1);
        device.connection->close();
        QVERIFY(QTest::qWaitFor([&] { return page.deviceWidgets().isEmpty(); }, kWaitMs));
    }
};

ZX_REGISTER_TEST(UpdatePageTest);
#include "test_updatepage.moc"
