#include "cli/command.h"
#include "cli/console.h"
#include "cli/devicesession.h"
#include "cli/modeljson.h"
#include "devicestate/devicecatalog.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

template <typename T> QJsonValue optionalValue(const std::optional<T> &value)
{
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

QJsonObject connectedDeviceJson(const ConnectedDevice &device)
{
    return {
        {QStringLiteral("appVersionMajor"), device.appVersionMajor},
        {QStringLiteral("appVersionMinor"), device.appVersionMinor},
        {QStringLiteral("appVersionRelease"), optionalValue(device.appVersionRelease)},
        {QStringLiteral("productCode"), device.productCode},
        {QStringLiteral("serialNumber"), device.serialNumber},
        {QStringLiteral("faaSerialNumber"), device.faaSerialNumber},
    };
}

// What the device manager knows of the device, under the names the program uses for it.
QJsonObject deviceStateJson(const DeviceManager &manager, DeviceMode mode)
{
    QJsonValue connected = QJsonValue::Null;
    if (manager.knowsConnectedDevices()) {
        QJsonArray devices;
        for (const ConnectedDevice &device : manager.connectedDevices())
            devices.append(connectedDeviceJson(device));
        connected = devices;
    }
    const DeviceCatalogEntry *catalog = catalogEntryForSerialNumber(manager.serialNumber());
    const std::optional<ModelClassEntry> modelClass = manager.modelClassInfo();
    return {
        {QStringLiteral("mode"), deviceModeName(mode)},
        {QStringLiteral("serialNumber"), manager.serialNumber()},
        {QStringLiteral("faaSerialNumber"), manager.faaSerialNumber()},
        {QStringLiteral("productCode"), manager.productCode()},
        {QStringLiteral("appVersionMajor"), manager.appVersionMajor()},
        {QStringLiteral("appVersionMinor"), manager.appVersionMinor()},
        {QStringLiteral("appVersionRelease"), optionalValue(manager.appVersionRelease())},
        {QStringLiteral("parameterVersion"), optionalValue(manager.parameterVersion())},
        {QStringLiteral("fskProtocolVersion"), optionalValue(manager.fskProtocolVersion())},
        {QStringLiteral("canReadCalibration"), optionalValue(manager.canReadCalibration())},
        {QStringLiteral("isCalibrated"), optionalValue(manager.isCalibrated())},
        {QStringLiteral("parameterCrc"), qint64(manager.parameterCrc())},
        {QStringLiteral("appState"), manager.appState()},
        {QStringLiteral("targetSections"), deviceSectionsJson(manager.targetSections())},
        {QStringLiteral("connectedDevices"), connected},
        {QStringLiteral("catalogName"),
         catalog ? QJsonValue(QLatin1String(catalog->displayName)) : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("modelClass"),
         modelClass ? QJsonValue(modelClass->className) : QJsonValue(QJsonValue::Null)},
    };
}

QString plainText(const QJsonValue &value)
{
    if (value.isNull())
        return QStringLiteral("-");
    if (value.isBool())
        return value.toBool() ? QStringLiteral("yes") : QStringLiteral("no");
    if (value.isDouble())
        return QString::number(qint64(value.toDouble()));
    return value.toString();
}

void printPlain(Console &console, const QJsonObject &state)
{
    static const QStringList kOrder = {
        QStringLiteral("mode"),
        QStringLiteral("serialNumber"),
        QStringLiteral("faaSerialNumber"),
        QStringLiteral("productCode"),
        QStringLiteral("catalogName"),
        QStringLiteral("modelClass"),
        QStringLiteral("appVersionMajor"),
        QStringLiteral("appVersionMinor"),
        QStringLiteral("appVersionRelease"),
        QStringLiteral("parameterVersion"),
        QStringLiteral("fskProtocolVersion"),
        QStringLiteral("canReadCalibration"),
        QStringLiteral("isCalibrated"),
        QStringLiteral("parameterCrc"),
        QStringLiteral("appState"),
    };
    for (const QString &key : kOrder)
        console.printLine(QStringLiteral("%1: %2").arg(key, plainText(state.value(key))));
    for (const QJsonValue &value : state.value(QLatin1String("targetSections")).toArray()) {
        const QJsonObject section = value.toObject();
        const QJsonValue crc = section.value(QLatin1String("crc"));
        console.printLine(QStringLiteral("section %1: %2 bytes, crc %3")
                              .arg(section.value(QLatin1String("id")).toInt())
                              .arg(section.value(QLatin1String("size")).toInt())
                              .arg(crc.isNull()
                                       ? QStringLiteral("-")
                                       : QStringLiteral("0x%1").arg(qint64(crc.toDouble()), 8, 16,
                                                                    QLatin1Char('0'))));
    }
    const QJsonArray devices = state.value(QLatin1String("connectedDevices")).toArray();
    for (int i = 0; i < devices.size(); ++i) {
        const QJsonObject device = devices.at(i).toObject();
        console.printLine(QStringLiteral("device %1: %2, product %3, version %4.%5.%6")
                              .arg(i + 1)
                              .arg(device.value(QLatin1String("serialNumber")).toString())
                              .arg(device.value(QLatin1String("productCode")).toInt())
                              .arg(device.value(QLatin1String("appVersionMajor")).toInt())
                              .arg(device.value(QLatin1String("appVersionMinor")).toInt())
                              .arg(plainText(device.value(QLatin1String("appVersionRelease")))));
    }
}

} // namespace

ExitCode runIdentifyCommand(CommandContext &context)
{
    if (!context.arguments.isEmpty()) {
        context.console.printError(QStringLiteral("usage: zanprog identify"));
        return ExitCode::Usage;
    }
    DeviceSession session(context.options, context.console, context.err);
    if (const ExitCode opened = session.open(); opened != ExitCode::Success)
        return opened;
    const QJsonObject state = deviceStateJson(session.manager(), session.identifiedMode());
    if (context.console.json())
        context.console.printJson(state);
    else
        printPlain(context.console, state);
    return ExitCode::Success;
}
