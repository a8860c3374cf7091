#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>

#include <cstdint>

class Console;
class DeviceModel;
struct SectionMetadata;

// What `info` shows of a model, as JSON: "class", "name", "productCode", "parameterVersion",
// "serialNumber", "modelCrc", "sections" [{"index", "root", "size", "crc"}] and "settings",
// the sections decoded as the model file decodes them.
[[nodiscard]] QJsonObject modelSummaryJson(const DeviceModel &model);

// The same as lines of text: the descriptive fields and one line per section.
void printModelSummary(Console &console, const QJsonObject &summary);
// Its settings, one "path = value" line each.
void printModelSettings(Console &console, const QJsonObject &summary);

// The decoded settings of a model, one section at a time under the name that addresses it in
// a setting path: for a model with several sections the schema's root name ("section N" when
// it has none); a single-section model's paths start at the fields of its image.
struct NamedSettings
{
    QString name;
    int index = 0;
    QJsonValue settings;
    QByteArray bytes;
};
[[nodiscard]] QList<NamedSettings> namedSettings(const DeviceModel &model);

// Every setting below `value` as (path, value), paths built the way a schema addresses its
// fields: "cpSettings.servo[3].travel". Bit groups are fields of their scalar.
struct SettingValue
{
    QString path;
    QJsonValue value;
};
[[nodiscard]] QList<SettingValue> flattenSettings(const QString &prefix, const QJsonValue &value);

// A setting's value as a line shows it: numbers as they are, anything missing as "-".
[[nodiscard]] QString settingText(const QJsonValue &value);

// A CRC as messages show it: "0x" and eight upper-case hexadecimal digits.
[[nodiscard]] QString crcText(std::uint32_t crc);

// The sections a device reported, as JSON: [{"id", "size", "crc"}], a CRC it did not report
// being null.
[[nodiscard]] QJsonArray deviceSectionsJson(const QList<SectionMetadata> &sections);

// Serial numbers of devices with fewer than 30 characters arrive NUL-padded; the padding is
// not part of what a person reads.
[[nodiscard]] QString displaySerial(const QString &serial);
