#include "models/settingpaths.h"

#include "models/devicemodel.h"
#include "models/sectionjson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <algorithm>

namespace {

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
