#include "cli/modeljson.h"

#include "cli/console.h"
#include "device/sectioncrc.h"
#include "devicestate/targetsection.h"
#include "models/devicemodel.h"
#include "models/modelcodes.h"

#include <QJsonDocument>

namespace {

const QString kDataKey = QStringLiteral("data");
const QString kSectionDataKey = QStringLiteral("sectionData");

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
