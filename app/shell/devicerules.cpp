#include "app/shell/devicerules.h"

#include "online/credentials.h"

#include <QSettings>
#include <QtEndian>

namespace devicerules {

namespace {

constexpr int kLevelCalibratedReceiver = 217;
constexpr int kUncalibratedParameterVersion = 255;

QString hexId(quint16 id)
{
    return QStringLiteral("0x%1")
        .arg(id, 4, 16, QLatin1Char('0'))
        .toUpper()
        .replace(QLatin1String("0X"), QLatin1String("0x"));
}

} // namespace

bool calibrationRequired(std::optional<bool> isCalibrated, int productCode, int appVersionMajor,
                         std::optional<int> parameterVersion)
{
    if (isCalibrated.has_value())
        return !*isCalibrated;
    return productCode == kLevelCalibratedReceiver && appVersionMajor > 1 &&
           parameterVersion == kUncalibratedParameterVersion;
}

std::optional<QList<TncFlag>> tncFlagsFor(int productCode)
{
    switch (productCode) {
    case 217:
    case 218:
    case 219:
    case 238:
        return QList<TncFlag>{{QStringLiteral("HIGAIN_ANT_RF_TEST"), 0x01},
                              {QStringLiteral("NOGAIN_ANT_RF_TEST"), 0x02},
                              {QStringLiteral("SENSOR_TNC"), 0x04},
                              {QStringLiteral("DEFAULTS_WRITTEN"), 0x08}};
    case 239:
        return QList<TncFlag>{{QStringLiteral("RF_POWER_TNC"), 0x01},
                              {QStringLiteral("GIMBAL_CAL"), 0x02},
                              {QStringLiteral("DEFAULTS_WRITTEN"), 0x04}};
    default:
        return std::nullopt;
    }
}

bool canReadCalibration(int productCode)
{
    static const QList<int> kProducts = {217, 218, 219, 238, 243, 245};
    return kProducts.contains(productCode);
}

std::optional<QString> calibrationText(const QByteArray &reply)
{
    static const QStringList kLabels = {
        QStringLiteral("accelBias X: %1"), QStringLiteral("accelBias Y: %1"),
        QStringLiteral("accelBias Z: %1"), QStringLiteral("gyroBias X: %1"),
        QStringLiteral("gyroBias Y: %1"),  QStringLiteral("gyroBias Z: %1"),
    };
    if (reply.size() < kCalibrationByteCount)
        return std::nullopt;
    QStringList lines;
    for (int i = 0; i < kLabels.size(); ++i)
        lines << kLabels[i].arg(qFromLittleEndian<qint32>(reply.constData() + 4 * i));
    return lines.join(QLatin1Char('\n'));
}

QString accountText(const QSettings &settings)
{
    const credentials::Account account = credentials::account(settings);
    if (!account.isLoggedIn())
        return {};
    const QString name = account.firstName.isEmpty() ? account.username : account.firstName;
    return QStringLiteral("Logged in as %1").arg(name);
}

QStringList serialPortLines(const QList<SerialPortDescription> &ports)
{
    QStringList lines{QStringLiteral("Available serial ports:")};
    for (const SerialPortDescription &port : ports) {
        if (port.vendorId && port.productId)
            lines << QStringLiteral("  Name: %1, VID: %2, PID: %3")
                         .arg(port.portName, hexId(*port.vendorId), hexId(*port.productId));
        else
            lines << QStringLiteral("  Name: %1").arg(port.portName);
    }
    return lines;
}

} // namespace devicerules
