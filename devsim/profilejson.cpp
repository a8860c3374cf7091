#include "devsim/profilejson.h"

#include "devsim/profiles.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

namespace devsim {

namespace {

constexpr int kMaxSectionBytes = 0xFFFF;
constexpr int kMaxFlashBytes = 16 * 1024 * 1024;

// Thrown inside the reader only; profileFromJson turns it into the error value.
struct JsonError
{
    QString message;
};

[[noreturn]] void fail(const QString &path, const QString &what)
{
    throw JsonError{QStringLiteral("%1: %2").arg(path, what)};
}

qint64 number(const QJsonValue &value, const QString &path, qint64 min, qint64 max)
{
    qint64 result = 0;
    bool ok = false;
    if (value.isDouble()) {
        const double d = value.toDouble();
        ok = d == double(qint64(d));
        result = qint64(d);
    } else if (value.isString()) {
        result = value.toString().toLongLong(&ok, 0);
    }
    if (!ok)
        fail(path, QStringLiteral("expected an integer"));
    if (result < min || result > max)
        fail(path, QStringLiteral("must be between %1 and %2").arg(min).arg(max));
    return result;
}

bool boolean(const QJsonValue &value, const QString &path)
{
    if (!value.isBool())
        fail(path, QStringLiteral("expected true or false"));
    return value.toBool();
}

QByteArray text(const QJsonValue &value, const QString &path)
{
    if (!value.isString())
        fail(path, QStringLiteral("expected a string"));
    return value.toString().toLatin1();
}

QJsonObject object(const QJsonValue &value, const QString &path, const QSet<QString> &keys)
{
    if (!value.isObject())
        fail(path, QStringLiteral("expected an object"));
    const QJsonObject obj = value.toObject();
    for (const QString &key : obj.keys()) {
        if (!keys.contains(key))
            fail(path, QStringLiteral("unknown key \"%1\"").arg(key));
    }
    return obj;
}

QJsonArray array(const QJsonValue &value, const QString &path)
{
    if (!value.isArray())
        fail(path, QStringLiteral("expected an array"));
    return value.toArray();
}

void version(const QJsonValue &value, const QString &path, int &major, int &minor, int &release)
{
    const QJsonArray parts = array(value, path);
    if (parts.size() != 3)
        fail(path, QStringLiteral("expected [major, minor, release]"));
    major = int(number(parts[0], path + "[0]", 0, 255));
    minor = int(number(parts[1], path + "[1]", 0, 255));
    release = int(number(parts[2], path + "[2]", 0, 255));
}

ProfileSection section(const QJsonValue &value, const QString &path)
{
    const QJsonObject obj = object(value, path, {"id", "size", "fill", "hex"});
    ProfileSection entry;
    entry.id = std::uint8_t(number(obj["id"], path + ".id", 0, 255));
    if (obj.contains("hex")) {
        entry.contents = QByteArray::fromHex(text(obj["hex"], path + ".hex"));
        if (obj.contains("size") &&
            number(obj["size"], path + ".size", 1, kMaxSectionBytes) != entry.contents.size())
            fail(path, QStringLiteral("size does not match hex"));
        return entry;
    }
    const int size = int(number(obj["size"], path + ".size", 1, kMaxSectionBytes));
    entry.contents = obj.contains("fill")
                         ? QByteArray(size, char(number(obj["fill"], path + ".fill", 0, 255)))
                         : profiles::patternBytes(entry.id, size);
    return entry;
}

ProfileTarget target(const QJsonValue &value, const QString &path)
{
    const QJsonObject obj = object(value, path, {"target", "sections"});
    ProfileTarget entry;
    entry.target = std::uint8_t(number(obj["target"], path + ".target", 0, 255));
    const QJsonArray sections = array(obj["sections"], path + ".sections");
    for (int i = 0; i < sections.size(); ++i)
        entry.sections.push_back(
            section(sections[i], QStringLiteral("%1.sections[%2]").arg(path).arg(i)));
    return entry;
}

AuxiliaryDevice auxiliary(const QJsonValue &value, const QString &path)
{
    const QJsonObject obj =
        object(value, path, {"serialNumber", "productCode", "appVersion", "applicationValid"});
    AuxiliaryDevice entry;
    entry.serialNumber = text(obj["serialNumber"], path + ".serialNumber");
    entry.productCode = int(number(obj["productCode"], path + ".productCode", 0, 0xFFFF));
    if (obj.contains("appVersion"))
        version(obj["appVersion"], path + ".appVersion", entry.appVersionMajor,
                entry.appVersionMinor, entry.appVersionRelease);
    if (obj.contains("applicationValid"))
        entry.applicationValid = boolean(obj["applicationValid"], path + ".applicationValid");
    return entry;
}

void calibration(const QJsonValue &value, const QString &path, CalibrationProfile &entry)
{
    const QJsonObject obj =
        object(value, path, {"calibrated", "startsByItself", "durationMs", "fails", "biases"});
    if (obj.contains("calibrated"))
        entry.calibrated = boolean(obj["calibrated"], path + ".calibrated");
    if (obj.contains("startsByItself"))
        entry.startsByItself = boolean(obj["startsByItself"], path + ".startsByItself");
    if (obj.contains("durationMs"))
        entry.durationMs = int(number(obj["durationMs"], path + ".durationMs", 0, 600'000));
    if (obj.contains("fails"))
        entry.fails = boolean(obj["fails"], path + ".fails");
    if (obj.contains("biases")) {
        const QJsonArray biases = array(obj["biases"], path + ".biases");
        if (biases.size() != int(entry.biases.size()))
            fail(path + ".biases", QStringLiteral("expected six values"));
        for (int i = 0; i < biases.size(); ++i)
            entry.biases[i] =
                std::int32_t(number(biases[i], path + ".biases", INT32_MIN, INT32_MAX));
    }
}

DeviceProfile read(const QJsonObject &root, const QString &p)
{
    static const QSet<QString> keys{"name",
                                    "base",
                                    "productCode",
                                    "bootloaderProductCode",
                                    "appVersion",
                                    "bootloaderVersion",
                                    "serialNumber",
                                    "faaSerialNumber",
                                    "capabilityBits",
                                    "sendsCapabilityByte",
                                    "parameterVersion",
                                    "fskProtocolVersion",
                                    "bootloaderLevel",
                                    "applicationValid",
                                    "startMode",
                                    "bootDelayMs",
                                    "announceIntervalMs",
                                    "tncSteps",
                                    "testedFlags",
                                    "firmwareFlashBytes",
                                    "eraseDurationMs",
                                    "targets",
                                    "auxiliaryDevices",
                                    "calibration",
                                    "firmwareFailure"};
    const QJsonObject obj = object(root, p, keys);
    DeviceProfile profile;
    if (obj.contains("base")) {
        const QString name = QString::fromLatin1(text(obj["base"], p + ".base"));
        const auto named = profiles::profileByName(name);
        if (!named)
            fail(p + ".base", QStringLiteral("no profile named \"%1\" (known: %2)")
                                  .arg(name, profiles::names().join(QStringLiteral(", "))));
        profile = *named;
    }
    const auto byte = [&](const char *key, std::uint8_t &field) {
        if (obj.contains(key))
            field = std::uint8_t(number(obj[key], p + "." + key, 0, 255));
    };
    const auto integer = [&](const char *key, int &field, int min, int max) {
        if (obj.contains(key))
            field = int(number(obj[key], p + "." + key, min, max));
    };
    const auto flag = [&](const char *key, bool &field) {
        if (obj.contains(key))
            field = boolean(obj[key], p + "." + key);
    };
    if (obj.contains("name"))
        profile.name = QString::fromLatin1(text(obj["name"], p + ".name"));
    integer("productCode", profile.productCode, 0, 0xFFFF);
    profile.bootloaderProductCode = profile.productCode;
    integer("bootloaderProductCode", profile.bootloaderProductCode, 0, 0xFFFF);
    if (obj.contains("appVersion"))
        version(obj["appVersion"], p + ".appVersion", profile.appVersionMajor,
                profile.appVersionMinor, profile.appVersionRelease);
    if (obj.contains("bootloaderVersion"))
        version(obj["bootloaderVersion"], p + ".bootloaderVersion", profile.bootloaderVersionMajor,
                profile.bootloaderVersionMinor, profile.bootloaderVersionRelease);
    if (obj.contains("serialNumber"))
        profile.serialNumber = text(obj["serialNumber"], p + ".serialNumber");
    if (obj.contains("faaSerialNumber"))
        profile.faaSerialNumber = text(obj["faaSerialNumber"], p + ".faaSerialNumber");
    byte("capabilityBits", profile.capabilityBits);
    flag("sendsCapabilityByte", profile.sendsCapabilityByte);
    integer("parameterVersion", profile.parameterVersion, 0, 255);
    integer("fskProtocolVersion", profile.fskProtocolVersion, 0, 255);
    byte("bootloaderLevel", profile.bootloaderLevel);
    flag("applicationValid", profile.applicationValid);
    if (obj.contains("startMode")) {
        const QByteArray mode = text(obj["startMode"], p + ".startMode");
        if (mode != "application" && mode != "bootloader")
            fail(p + ".startMode", QStringLiteral("expected \"application\" or \"bootloader\""));
        profile.startMode = mode == "bootloader" ? DeviceMode::Bootloader : DeviceMode::FSK;
    }
    integer("bootDelayMs", profile.bootDelayMs, 0, 60'000);
    integer("announceIntervalMs", profile.announceIntervalMs, 1, 60'000);
    byte("tncSteps", profile.tncSteps);
    byte("testedFlags", profile.testedFlags);
    integer("firmwareFlashBytes", profile.firmwareFlashBytes, 0, kMaxFlashBytes);
    integer("eraseDurationMs", profile.eraseDurationMs, 0, 600'000);
    if (obj.contains("targets")) {
        profile.targets.clear();
        const QJsonArray targets = array(obj["targets"], p + ".targets");
        for (int i = 0; i < targets.size(); ++i)
            profile.targets.push_back(
                target(targets[i], QStringLiteral("%1.targets[%2]").arg(p).arg(i)));
    }
    if (obj.contains("auxiliaryDevices")) {
        profile.auxiliaryDevices.clear();
        const QJsonArray devices = array(obj["auxiliaryDevices"], p + ".auxiliaryDevices");
        if (devices.size() > 7)
            fail(p + ".auxiliaryDevices", QStringLiteral("at most 7 devices"));
        for (int i = 0; i < devices.size(); ++i)
            profile.auxiliaryDevices.push_back(
                auxiliary(devices[i], QStringLiteral("%1.auxiliaryDevices[%2]").arg(p).arg(i)));
    }
    if (obj.contains("calibration"))
        calibration(obj["calibration"], p + ".calibration", profile.calibration);
    if (obj.contains("firmwareFailure")) {
        const QJsonObject failure =
            object(obj["firmwareFailure"], p + ".firmwareFailure", {"atRecord", "code"});
        profile.firmwareFailure = FirmwareFailure{
            int(number(failure["atRecord"], p + ".firmwareFailure.atRecord", 1, 1'000'000)),
            DeviceConnectionError(number(failure["code"], p + ".firmwareFailure.code", 1, 31))};
    }
    return profile;
}

} // namespace

std::expected<DeviceProfile, QString> profileFromJson(const QByteArray &json, const QString &source)
{
    const QString where = source.isEmpty() ? QStringLiteral("profile") : source;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        return std::unexpected(QStringLiteral("%1: not valid JSON at offset %2: %3")
                                   .arg(where)
                                   .arg(error.offset)
                                   .arg(error.errorString()));
    if (!document.isObject())
        return std::unexpected(QStringLiteral("%1: expected a JSON object").arg(where));
    try {
        return read(document.object(), where);
    } catch (const JsonError &e) {
        return std::unexpected(e.message);
    }
}

std::expected<DeviceProfile, QString> loadProfileFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::unexpected(QStringLiteral("%1: cannot read: %2").arg(path, file.errorString()));
    return profileFromJson(file.readAll(), path);
}

} // namespace devsim
