#include "cli/settingedit.h"

#include "models/devicemodel.h"
#include "models/sectionjson.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>

#include <optional>
#include <variant>
#include <vector>

namespace {

// A field name or an element index.
using PathStep = std::variant<QString, int>;

std::optional<std::vector<PathStep>> parsePath(const QString &path)
{
    static const QRegularExpression step(
        QStringLiteral(R"(\G(?:(?:^|\.)([A-Za-z_][A-Za-z0-9_]*)|\[(\d{1,9})\]))"));
    std::vector<PathStep> steps;
    qsizetype position = 0;
    while (position < path.size()) {
        const QRegularExpressionMatch match = step.match(path, position);
        if (!match.hasMatch())
            return std::nullopt;
        if (match.capturedLength(1) > 0)
            steps.emplace_back(match.captured(1));
        else
            steps.emplace_back(match.captured(2).toInt());
        position = match.capturedEnd();
    }
    if (steps.empty() || !std::holds_alternative<QString>(steps.front()))
        return std::nullopt;
    return steps;
}

struct Range
{
    qint64 min = 0;
    qint64 max = 0;
};

// What the field at the end of the path holds: its scalar type, or the width of a bit group.
// Element indexes do not change the type, so only the names are followed.
std::optional<Range> fieldRange(const LayoutNode &root, const std::vector<PathStep> &steps)
{
    const LayoutNode *node = &root;
    std::optional<Range> groupRange;
    for (const PathStep &step : steps) {
        const QString *name = std::get_if<QString>(&step);
        if (!name)
            continue;
        if (groupRange)
            return std::nullopt; // nothing lies below a bit group
        if (const LayoutNode *child = node->child(*name)) {
            node = child;
            continue;
        }
        const auto &groups = node->bitFields();
        const auto group = std::find_if(groups.begin(), groups.end(),
                                        [&](const BitField &field) { return field.name == *name; });
        if (group == groups.end() || group->width <= 0 || group->width > 32)
            return std::nullopt;
        groupRange = Range{0, (qint64(1) << group->width) - 1};
    }
    if (groupRange)
        return groupRange;
    switch (node->type()) {
    case LayoutType::I8:
        return Range{-128, 127};
    case LayoutType::U8:
        return Range{0, 255};
    case LayoutType::I16:
        return Range{-32768, 32767};
    case LayoutType::U16:
        return Range{0, 65535};
    case LayoutType::I32:
        return Range{-2147483648LL, 2147483647LL};
    case LayoutType::U32:
        return Range{0, 4294967295LL};
    default:
        return std::nullopt;
    }
}

// Replaces the number at the end of `steps` inside `node`; false when the path leads nowhere
// or ends at something that is not one number.
bool replaceAt(QJsonValue &node, const std::vector<PathStep> &steps, std::size_t at, qint64 value)
{
    if (at == steps.size()) {
        if (!node.isDouble())
            return false;
        node = double(value);
        return true;
    }
    const PathStep &step = steps[at];
    if (node.isObject()) {
        // Arrays of structures decode as objects keyed by element index.
        const QString key = std::holds_alternative<QString>(step)
                                ? std::get<QString>(step)
                                : QString::number(std::get<int>(step));
        QJsonObject object = node.toObject();
        if (!object.contains(key))
            return false;
        QJsonValue child = object.value(key);
        if (!replaceAt(child, steps, at + 1, value))
            return false;
        object.insert(key, child);
        node = object;
        return true;
    }
    if (node.isArray() && std::holds_alternative<int>(step)) {
        QJsonArray array = node.toArray();
        const int index = std::get<int>(step);
        if (index >= array.size())
            return false;
        QJsonValue child = array.at(index);
        if (!replaceAt(child, steps, at + 1, value))
            return false;
        array.replace(index, child);
        node = array;
        return true;
    }
    return false;
}

// Decimal, or hexadecimal after "0x": a leading zero means nothing, so "010" is ten, as a user
// typing a value expects (C's base detection would read it as octal eight).
std::optional<qint64> parseSettingValue(const QString &text)
{
    QString digits = text;
    const bool negative = digits.startsWith(QLatin1Char('-'));
    if (negative || digits.startsWith(QLatin1Char('+')))
        digits = digits.mid(1);
    int base = 10;
    if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        base = 16;
        digits = digits.mid(2);
    }
    // The conversion below would also take a sign or spaces of its own.
    if (digits.isEmpty() || !digits.at(0).isLetterOrNumber())
        return std::nullopt;
    bool ok = false;
    const qint64 magnitude = digits.toLongLong(&ok, base);
    if (!ok)
        return std::nullopt;
    return negative ? -magnitude : magnitude;
}

} // namespace

std::expected<void, QString> setModelSetting(DeviceModel &model, const QString &path,
                                             const QString &valueText)
{
    const std::optional<qint64> parsed = parseSettingValue(valueText);
    if (!parsed)
        return std::unexpected(QStringLiteral("%1 is not a whole number").arg(valueText));
    const qint64 value = *parsed;
    std::optional<std::vector<PathStep>> steps = parsePath(path);
    if (!steps)
        return std::unexpected(QStringLiteral("%1 is not a setting path").arg(path));

    // A model with several sections names the section first.
    DeviceMemory &memory = model.memory();
    int section = 0;
    if (memory.sectionCount() > 1) {
        section = -1;
        for (int i = 0; i < memory.sectionCount(); ++i)
            if (!memory.section(i).schema.name().isEmpty() &&
                memory.section(i).schema.name() == std::get<QString>(steps->front()))
                section = i;
        if (section < 0)
            return std::unexpected(QStringLiteral("the model has no section %1")
                                       .arg(std::get<QString>(steps->front())));
        steps->erase(steps->begin());
    }
    const LayoutNode &schema = memory.section(section).schema;
    const std::optional<Range> range = fieldRange(schema, *steps);
    QJsonValue settings = decodeSection(schema, memory.modelData(section));
    if (!range || !replaceAt(settings, *steps, 0, value))
        return std::unexpected(QStringLiteral("the model has no setting %1").arg(path));
    if (value < range->min || value > range->max)
        return std::unexpected(QStringLiteral("%1 holds %2 to %3, not %4")
                                   .arg(path)
                                   .arg(range->min)
                                   .arg(range->max)
                                   .arg(value));
    QByteArray bytes = memory.modelData(section);
    encodeSection(schema, settings, bytes);
    memory.setModelData(section, bytes);
    emit model.settingsChanged();
    return {};
}
