#include "cli/modeljson.h"

#include "cli/console.h"
#include "device/sectioncrc.h"
#include "devicestate/targetsection.h"
#include "models/devicemodel.h"
#include "models/modelcodes.h"
#include "models/sectionjson.h"

#include <QJsonDocument>

#include <algorithm>

namespace {

const QString kDataKey = QStringLiteral("data");
const QString kSectionDataKey = QStringLiteral("sectionData");

bool isElementIndex(const QString &name)
{
    bool ok = false;
    name.toUInt(&ok, 10);
    return ok;
}

void flattenInto(const QString &path, const QJsonValue &value, QList<SettingValue> &out)
{
    // Nothing decoded: the section has no bytes for it.
    if (value.isUndefined() || value.isNull())
        return;
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        QStringList keys = object.keys();
        // Arrays of structures decode as objects keyed by element index: element 10 comes
        // after element 9, not after element 1.
        std::stable_sort(keys.begin(), keys.end(), [](const QString &a, const QString &b) {
            const bool aIndex = isElementIndex(a);
            const bool bIndex = isElementIndex(b);
            if (aIndex && bIndex)
                return a.toUInt() < b.toUInt();
            return aIndex > bIndex;
        });
        for (const QString &key : std::as_const(keys)) {
            const QString step = isElementIndex(key)
                                     ? QStringLiteral("[%1]").arg(key)
                                     : (path.isEmpty() ? key : QStringLiteral(".") + key);
            flattenInto(path + step, object.value(key), out);
        }
        return;
    }
    if (value.isArray()) {
        const QJsonArray array = value.toArray();
        for (int i = 0; i < array.size(); ++i)
            flattenInto(path + QStringLiteral("[%1]").arg(i), array.at(i), out);
        return;
    }
    out.append({path, value});
}

} // namespace

QString crcText(std::uint32_t crc)
{
    return QStringLiteral("0x") +
           QString::number(crc, 16).toUpper().rightJustified(8, QLatin1Char('0'));
}

QJsonArray deviceSectionsJson(const QList<SectionMetadata> &sections)
{
    QJsonArray array;
    for (const SectionMetadata &section : sections)
        array.append(QJsonObject{
            {QStringLiteral("id"), section.id},
            {QStringLiteral("size"), section.size},
            {QStringLiteral("crc"),
             section.crc ? QJsonValue(qint64(*section.crc)) : QJsonValue(QJsonValue::Null)},
        });
    return array;
}

QString displaySerial(const QString &serial)
{
    qsizetype end = serial.size();
    while (end > 0 && serial.at(end - 1) == QChar(0))
        --end;
    return serial.left(end);
}

QJsonObject modelSummaryJson(const DeviceModel &model)
{
    const DeviceMemory &memory = model.memory();
    QJsonArray sections;
    for (int i = 0; i < memory.sectionCount(); ++i) {
        const TargetSection &section = memory.section(i);
        sections.append(QJsonObject{
            {QStringLiteral("index"), i},
            {QStringLiteral("root"), section.schema.name()},
            {QStringLiteral("size"), int(section.modelData.size())},
            {QStringLiteral("crc"), qint64(sectionCrc(section.modelData))},
        });
    }
    const QJsonObject file = model.toJsonDocument().object();
    const ModelClassInfo *modelClass = model.getModelClassInfo();
    return {
        {QStringLiteral("class"), modelClass ? modelClass->className : QString()},
        {QStringLiteral("name"), model.info().name()},
        {QStringLiteral("productCode"), model.info().productCode()},
        {QStringLiteral("parameterVersion"), model.info().parameterVersion()},
        {QStringLiteral("serialNumber"), model.info().serialNumber()},
        {QStringLiteral("modelCrc"), qint64(model.modelCrc())},
        {QStringLiteral("sections"), sections},
        {QStringLiteral("settings"),
         file.value(memory.sectionCount() > 1 ? kSectionDataKey : kDataKey)},
    };
}

void printModelSummary(Console &console, const QJsonObject &summary)
{
    auto code = [&](const char *key) {
        const int value = summary.value(QLatin1String(key)).toInt();
        return QStringLiteral("%1 (%2)").arg(formatModelCode(value)).arg(value);
    };
    console.printLine(
        QStringLiteral("class: %1").arg(summary.value(QLatin1String("class")).toString()));
    console.printLine(
        QStringLiteral("name: %1").arg(summary.value(QLatin1String("name")).toString()));
    console.printLine(QStringLiteral("productCode: %1").arg(code("productCode")));
    console.printLine(QStringLiteral("parameterVersion: %1").arg(code("parameterVersion")));
    console.printLine(
        QStringLiteral("serialNumber: %1")
            .arg(displaySerial(summary.value(QLatin1String("serialNumber")).toString())));
    console.printLine(
        QStringLiteral("modelCrc: %1")
            .arg(crcText(std::uint32_t(summary.value(QLatin1String("modelCrc")).toDouble()))));
    for (const QJsonValue &value : summary.value(QLatin1String("sections")).toArray()) {
        const QJsonObject section = value.toObject();
        const QString root = section.value(QLatin1String("root")).toString();
        console.printLine(
            QStringLiteral("section %1: %2, %3 bytes, crc %4")
                .arg(section.value(QLatin1String("index")).toInt())
                .arg(root.isEmpty() ? QStringLiteral("(unnamed)") : root)
                .arg(section.value(QLatin1String("size")).toInt())
                .arg(crcText(std::uint32_t(section.value(QLatin1String("crc")).toDouble()))));
    }
}

void printModelSettings(Console &console, const QJsonObject &summary)
{
    for (const SettingValue &setting :
         flattenSettings(QString(), summary.value(QLatin1String("settings"))))
        console.printLine(QStringLiteral("%1 = %2").arg(setting.path, settingText(setting.value)));
}

QList<NamedSettings> namedSettings(const DeviceModel &model)
{
    const DeviceMemory &memory = model.memory();
    const bool severalSections = memory.sectionCount() > 1;
    QList<NamedSettings> named;
    for (int i = 0; i < memory.sectionCount(); ++i) {
        const TargetSection &section = memory.section(i);
        // A single section is the whole image: its root's name adds nothing to a path.
        QString name;
        if (severalSections)
            name = section.schema.name().isEmpty() ? QStringLiteral("section %1").arg(i)
                                                   : section.schema.name();
        named.append(
            {name, i, decodeSection(section.schema, section.modelData), section.modelData});
    }
    return named;
}

QList<SettingValue> flattenSettings(const QString &prefix, const QJsonValue &value)
{
    QList<SettingValue> out;
    flattenInto(prefix, value, out);
    return out;
}

QString settingText(const QJsonValue &value)
{
    if (value.isUndefined() || value.isNull())
        return QStringLiteral("-");
    if (value.isDouble())
        return QString::number(value.toDouble(), 'g', 17);
    if (value.isBool())
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    if (value.isString())
        return value.toString();
    const QJsonDocument document =
        value.isObject() ? QJsonDocument(value.toObject()) : QJsonDocument(value.toArray());
    return QString::fromUtf8(document.toJson(QJsonDocument::Compact));
}
