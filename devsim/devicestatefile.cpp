#include "devsim/devicestatefile.h"

#include "app/atomicfile.h"
#include "devsim/devicestate.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace devsim {

namespace {

constexpr int kVersionParts = 3;

QString keyError(const QString &source, const QString &key, const QString &problem)
{
    return QStringLiteral("%1: %2: %3").arg(source, key, problem);
}

ProfileSection *findSection(std::vector<ProfileTarget> &targets, int target, int id)
{
    for (ProfileTarget &t : targets) {
        if (t.target != target)
            continue;
        for (ProfileSection &section : t.sections)
            if (section.id == id)
                return &section;
    }
    return nullptr;
}

std::expected<void, QString> applySections(const QJsonValue &value, DeviceProfile &profile,
                                           const QString &source)
{
    if (!value.isArray())
        return std::unexpected(
            keyError(source, QStringLiteral("targets"), QStringLiteral("expected an array")));
    std::vector<ProfileTarget> targets = effectiveTargets(profile);
    const QJsonArray savedTargets = value.toArray();
    for (int t = 0; t < savedTargets.size(); ++t) {
        const QJsonObject target = savedTargets.at(t).toObject();
        const QJsonArray sections = target.value(QLatin1String("sections")).toArray();
        for (int s = 0; s < sections.size(); ++s) {
            const QString key = QStringLiteral("targets[%1].sections[%2]").arg(t).arg(s);
            const QJsonObject saved = sections.at(s).toObject();
            ProfileSection *section =
                findSection(targets, target.value(QLatin1String("target")).toInt(-1),
                            saved.value(QLatin1String("id")).toInt(-1));
            if (!section)
                return std::unexpected(keyError(source, key, QStringLiteral("no such section")));
            const QByteArray hex = saved.value(QLatin1String("flash")).toString().toLatin1();
            const QByteArray flash = QByteArray::fromHex(hex);
            if (flash.size() * 2 != hex.size() || flash.size() != section->contents.size())
                return std::unexpected(keyError(source, key + QStringLiteral(".flash"),
                                                QStringLiteral("expected %1 bytes in hexadecimal")
                                                    .arg(section->contents.size())));
            section->contents = flash;
        }
    }
    profile.targets = std::move(targets);
    return {};
}

} // namespace

QByteArray deviceStateToJson(const DeviceState &state)
{
    const DeviceProfile &profile = state.profile;
    QJsonArray targets;
    for (const ParameterMemory::Target &target : state.memory.targets()) {
        QJsonArray sections;
        for (const ParameterMemory::Section &section : target.sections)
            sections.append(
                QJsonObject{{QStringLiteral("id"), section.id},
                            {QStringLiteral("flash"), QString::fromLatin1(section.flash.toHex())}});
        targets.append(QJsonObject{{QStringLiteral("target"), target.target},
                                   {QStringLiteral("sections"), sections}});
    }
    const QJsonObject document{
        {QStringLiteral("productCode"), profile.productCode},
        {QStringLiteral("serialNumber"), QString::fromLatin1(profile.serialNumber)},
        {QStringLiteral("applicationValid"), profile.applicationValid},
        {QStringLiteral("appVersion"),
         QJsonArray{profile.appVersionMajor, profile.appVersionMinor, profile.appVersionRelease}},
        {QStringLiteral("calibrated"), profile.calibration.calibrated},
        {QStringLiteral("tncSteps"), state.tncSteps},
        {QStringLiteral("targets"), targets},
    };
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}

std::expected<void, QString> applyDeviceStateJson(const QByteArray &json, DeviceProfile &profile,
                                                  const QString &source)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (!document.isObject())
        return std::unexpected(QStringLiteral("%1: not a device state file (%2)")
                                   .arg(source, error.error == QJsonParseError::NoError
                                                    ? QStringLiteral("expected an object")
                                                    : error.errorString()));
    const QJsonObject root = document.object();
    if (root.value(QLatin1String("productCode")).toInt(-1) != profile.productCode ||
        root.value(QLatin1String("serialNumber")).toString().toLatin1() != profile.serialNumber)
        return std::unexpected(
            QStringLiteral("%1: holds the state of another device than %2 (product 0x%3)")
                .arg(source, QString::fromLatin1(profile.serialNumber))
                .arg(profile.productCode, 0, 16));

    DeviceProfile changed = profile;
    if (const auto sections = applySections(root.value(QLatin1String("targets")), changed, source);
        !sections)
        return sections;
    const QJsonArray version = root.value(QLatin1String("appVersion")).toArray();
    if (version.size() != kVersionParts)
        return std::unexpected(keyError(source, QStringLiteral("appVersion"),
                                        QStringLiteral("expected [major, minor, release]")));
    changed.appVersionMajor = version.at(0).toInt();
    changed.appVersionMinor = version.at(1).toInt();
    changed.appVersionRelease = version.at(2).toInt();
    changed.applicationValid = root.value(QLatin1String("applicationValid")).toBool(true);
    changed.calibration.calibrated =
        root.value(QLatin1String("calibrated")).toBool(profile.calibration.calibrated);
    changed.tncSteps =
        std::uint8_t(root.value(QLatin1String("tncSteps")).toInt(profile.tncSteps) & 0xFF);
    profile = std::move(changed);
    return {};
}

std::expected<void, QString> loadDeviceStateFile(const QString &path, DeviceProfile &profile)
{
    QFile file(path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly))
        return std::unexpected(QStringLiteral("%1: %2").arg(path, file.errorString()));
    return applyDeviceStateJson(file.readAll(), profile, path);
}

std::expected<void, QString> saveDeviceStateFile(const QString &path, const DeviceState &state)
{
    QString error;
    if (!writeFileAtomically(path, deviceStateToJson(state), &error))
        return std::unexpected(QStringLiteral("%1: %2").arg(path, error));
    return {};
}

} // namespace devsim
