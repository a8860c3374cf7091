#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QList>
#include <QString>

class DeviceModel;

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
