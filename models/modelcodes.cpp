#include "models/modelcodes.h"

#include <QJsonValue>

#include <cmath>
#include <limits>

namespace {

// Codes are read into 64 bits so that the unsigned pattern of a negative code comes back.
constexpr qint64 kLowestCode = std::numeric_limits<std::int32_t>::min();
constexpr qint64 kHighestCode = std::numeric_limits<std::uint32_t>::max();

} // namespace

QString formatModelCode(std::int32_t code)
{
    return QStringLiteral("0x%1").arg(
        QString::number(std::uint32_t(code), 16).toUpper().rightJustified(2, u'0'));
}

std::optional<std::int32_t> parseModelCode(const QString &text)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok, 0);
    if (!ok || value < kLowestCode || value > kHighestCode)
        return std::nullopt;
    return std::int32_t(std::uint32_t(std::uint64_t(value)));
}

std::optional<std::int32_t> readModelCode(const QJsonObject &root, const QString &key,
                                          std::int32_t fallback)
{
    const QJsonValue value = root.value(key);
    if (value.isUndefined() || value.isNull())
        return fallback;
    if (value.isString()) {
        const QString text = value.toString();
        return text.isEmpty() ? std::optional(fallback) : parseModelCode(text);
    }
    if (value.isDouble()) {
        const double number = value.toDouble();
        if (std::trunc(number) == number && number >= double(kLowestCode) &&
            number <= double(kHighestCode))
            return std::int32_t(std::uint32_t(std::uint64_t(qint64(number))));
    }
    return std::nullopt;
}
