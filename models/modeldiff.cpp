#include "models/modeldiff.h"

#include "models/devicemodel.h"
#include "models/modelcodes.h"
#include "models/settingpaths.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace {

// A stretch of differing bytes longer than this is shown by its start.
constexpr int kMaxShownBytes = 16;

// Sections pair up by the name that addresses them, so that models whose parameter versions
// order their sections differently still compare setting by setting.
QString sectionKey(const NamedSettings &section)
{
    return section.name.isEmpty() ? QStringLiteral("section %1").arg(section.index) : section.name;
}

const NamedSettings *findSection(const QList<NamedSettings> &sections, const QString &key)
{
    for (const NamedSettings &section : sections)
        if (sectionKey(section) == key)
            return &section;
    return nullptr;
}

// The decoded settings of one section in both models; true when some setting differs.
bool compareSettings(const QString &name, const QJsonValue &first, const QJsonValue &second,
                     QList<ModelDifference> &out)
{
    const QList<SettingValue> firstValues = flattenSettings(name, first);
    const QList<SettingValue> secondValues = flattenSettings(name, second);
    QHash<QString, QJsonValue> secondByPath;
    for (const SettingValue &setting : secondValues)
        secondByPath.insert(setting.path, setting.value);

    bool differs = false;
    QSet<QString> seen;
    for (const SettingValue &setting : firstValues) {
        seen.insert(setting.path);
        const QJsonValue other = secondByPath.value(setting.path, QJsonValue(QJsonValue::Null));
        if (other != setting.value) {
            out.append({setting.path, setting.value, other});
            differs = true;
        }
    }
    for (const SettingValue &setting : secondValues) {
        if (!seen.contains(setting.path)) {
            out.append({setting.path, QJsonValue(QJsonValue::Null), setting.value});
            differs = true;
        }
    }
    return differs;
}

QString hexStretch(const QByteArray &bytes, qsizetype from, qsizetype to)
{
    const qsizetype shown = std::min<qsizetype>(to - from, kMaxShownBytes);
    QString text = QString::fromLatin1(bytes.mid(from, shown).toHex(' ').toUpper());
    if (shown < to - from)
        text += QStringLiteral(" ...");
    return text;
}

// Bytes the decoded settings do not show (reserves, bits outside every group, bytes past the
// schema) still make two models different.
void compareBytes(const QString &key, const QByteArray &first, const QByteArray &second,
                  QList<ModelDifference> &out)
{
    if (first.size() != second.size()) {
        out.append({key + QStringLiteral(" size"), int(first.size()), int(second.size())});
        return;
    }
    qsizetype from = 0;
    while (from < first.size() && first.at(from) == second.at(from))
        ++from;
    if (from == first.size())
        return;
    qsizetype to = first.size();
    while (to > from && first.at(to - 1) == second.at(to - 1))
        --to;
    out.append({QStringLiteral("%1 bytes %2..%3").arg(key).arg(from).arg(to - 1),
                hexStretch(first, from, to), hexStretch(second, from, to)});
}

void compareCode(const QString &key, int first, int second, QList<ModelDifference> &out)
{
    if (first != second)
        out.append({key, formatModelCode(first), formatModelCode(second)});
}

} // namespace

QList<ModelDifference> modelDifferences(const DeviceModel &first, const DeviceModel &second)
{
    QList<ModelDifference> out;
    compareCode(QStringLiteral("productCode"), first.info().productCode(),
                second.info().productCode(), out);
    compareCode(QStringLiteral("parameterVersion"), first.info().parameterVersion(),
                second.info().parameterVersion(), out);

    const QList<NamedSettings> firstSections = namedSettings(first);
    const QList<NamedSettings> secondSections = namedSettings(second);
    QStringList keys;
    for (const QList<NamedSettings> *sections : {&firstSections, &secondSections})
        for (const NamedSettings &section : *sections)
            if (!keys.contains(sectionKey(section)))
                keys.append(sectionKey(section));

    const NamedSettings absent;
    for (const QString &key : std::as_const(keys)) {
        const NamedSettings *a = findSection(firstSections, key);
        const NamedSettings *b = findSection(secondSections, key);
        const NamedSettings &left = a ? *a : absent;
        const NamedSettings &right = b ? *b : absent;
        if (left.bytes == right.bytes)
            continue;
        const QString prefix = (a ? a->name : b->name);
        const bool settingsDiffer = compareSettings(prefix, left.settings, right.settings, out);
        if (!settingsDiffer || left.bytes.size() != right.bytes.size())
            compareBytes(key, left.bytes, right.bytes, out);
    }
    return out;
}
