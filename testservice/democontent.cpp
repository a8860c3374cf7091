// The demo's account, devices and updates, made from the simulator's profiles so that every
// device the demo can show has an update it really accepts.
#include "devicestate/devicecatalog.h"
#include "devsim/profiles.h"
#include "devsim/saxwriter.h"
#include "testservice/testservice.h"

#include <QMap>
#include <QUuid>

#include <tuple>

namespace testservice {

namespace {

const QUuid kDemoNamespace(QStringLiteral("{6f1d2c3a-8b4e-4f5a-9c7d-2e1b0a9f8c6d}"));

struct Version
{
    int major = 0;
    int minor = 0;
    int release = 0;

    [[nodiscard]] QString text() const
    {
        return QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(release);
    }
    [[nodiscard]] bool operator<(const Version &other) const
    {
        return std::tie(major, minor, release) < std::tie(other.major, other.minor, other.release);
    }
};

QString stableGuid(const QString &name)
{
    return QUuid::createUuidV5(kDemoNamespace, name).toString(QUuid::WithoutBraces).toUpper();
}

QString productName(int productCode)
{
    for (const DeviceCatalogEntry &entry : deviceCatalog()) {
        if (entry.productCode == productCode)
            return QString::fromLatin1(entry.displayName);
    }
    return QStringLiteral("Firmware");
}

struct Release
{
    Version version;
    QString productCodeText;
    QString releaseDate;
    QString description;
    QStringList changes;
};

OfferedUpdate demoUpdate(int productCode, const Release &release)
{
    OfferedUpdate update;
    update.title = productName(productCode) + QLatin1Char(' ') + release.version.text();
    update.guid = stableGuid(QStringLiteral("update-%1-%2").arg(productCode).arg(update.title));
    update.description = release.description;
    update.version = release.version.text();
    update.releaseDate = release.releaseDate;
    update.productCodeText = release.productCodeText;
    update.productCode = productCode;

    devsim::sax::Options options;
    options.appVersionMajor = release.version.major;
    options.appVersionMinor = release.version.minor;
    options.appVersionRelease = release.version.release;
    // No serial number in the file: every device of the product takes it, also the second
    // profile that shares a product code and the devices behind a base device.
    update.file = devsim::sax::writeFile(productCode, QByteArray(), options);

    QString changes = update.title + QLatin1Char('\n');
    for (const QString &line : release.changes)
        changes += QStringLiteral("- ") + line + QLatin1Char('\n');
    update.changes = changes.toUtf8();
    return update;
}

} // namespace

void TestService::addDemoContent(const QList<KnownDevice> &extraDevices)
{
    Account demo;
    demo.username = QStringLiteral("demo");
    demo.password = QStringLiteral("demo");
    demo.firstName = QStringLiteral("Demo");
    demo.lastName = QStringLiteral("Pilot");
    demo.email = QStringLiteral("demo@example.com");
    demo.userGuid = stableGuid(QStringLiteral("account-demo"));
    addAccount(demo);

    // The highest version any device of a product runs, so its updates are new to all of them.
    QMap<int, Version> highest;
    const auto known = [&](const QByteArray &serial, int productCode, Version version) {
        addDevice({QString::fromLatin1(serial), productCode, true, demo.userGuid});
        highest[productCode] = qMax(highest.value(productCode), version);
    };
    for (const QString &name : devsim::profiles::names()) {
        const devsim::DeviceProfile profile = *devsim::profiles::profileByName(name);
        known(profile.serialNumber, profile.productCode,
              {profile.appVersionMajor, profile.appVersionMinor, profile.appVersionRelease});
        for (int index = 1; index <= devsim::auxiliaryCount(profile); ++index) {
            const devsim::AuxiliaryDevice aux = devsim::auxiliaryDevice(profile, index);
            known(aux.serialNumber, aux.productCode,
                  {aux.appVersionMajor, aux.appVersionMinor, aux.appVersionRelease});
        }
    }
    for (const KnownDevice &device : extraDevices)
        addDevice({device.serialNumber, device.productCode, true, demo.userGuid});

    for (auto it = highest.cbegin(); it != highest.cend(); ++it) {
        const int code = it.key();
        const Version current = it.value();
        addUpdate(demoUpdate(
            code, {{current.major, current.minor + 2, 0},
                   QStringLiteral("0x%1").arg(QString::number(code, 16).toUpper()),
                   QStringLiteral("2025-03-14T10:00:00Z"),
                   QStringLiteral("Smoother stabilisation in gusty air and a faster start."),
                   {QStringLiteral("Faster start-up after power-on."),
                    QStringLiteral("Smoother stabilisation response in gusty air."),
                    QStringLiteral("Fixes a rare loss of trims after a restart.")}}));
        addUpdate(
            demoUpdate(code, {{current.major, current.minor + 1, 0},
                              QString::number(code),
                              QStringLiteral("2024-11-02T09:30:00Z"),
                              QStringLiteral("Maintenance release."),
                              {QStringLiteral("Steadier servo output at low battery voltage."),
                               QStringLiteral("Corrects the reported version after a restart.")}}));
    }
}

} // namespace testservice
