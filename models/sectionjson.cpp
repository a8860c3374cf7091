#include "models/sectionjson.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

namespace {

// Reserved bytes are not part of the readable mirror.
const QString kReservedFieldName = QStringLiteral("rfu");

constexpr int kMaxShiftBits = 64;

bool isReserved(const LayoutNode &node)
{
    return node.name() == kReservedFieldName;
}

bool isSigned(LayoutType type)
{
    return type == LayoutType::I8 || type == LayoutType::I16 || type == LayoutType::I32;
}

std::uint64_t groupMask(std::int32_t width)
{
    if (width <= 0)
        return 0;
    if (width >= kMaxShiftBits)
        return ~std::uint64_t(0);
    return (std::uint64_t(1) << width) - 1;
}

// The first dimension from `depth` on that is represented; length-1 dimensions are skipped.
std::size_t representedDepth(const LayoutNode &node, std::size_t depth)
{
    const std::vector<std::int32_t> &dims = node.dims();
    while (depth < dims.size() && dims[depth] == 1)
        ++depth;
    return depth;
}

// Bytes of the sub-array from dimension `depth` down to single elements.
std::int64_t spanFrom(const LayoutNode &node, std::size_t depth)
{
    std::int64_t span = node.elementSize();
    const std::vector<std::int32_t> &dims = node.dims();
    for (std::size_t i = depth; i < dims.size(); ++i)
        span *= std::max<std::int32_t>(dims[i], 0);
    return span;
}

// The `size` bytes at `offset` as an unsigned little-endian value; bytes past the end count
// as 0.
std::uint64_t readLittleEndian(const QByteArray &bytes, std::int64_t offset, std::int32_t size)
{
    std::uint64_t value = 0;
    for (std::int32_t i = 0; i < size; ++i)
        if (offset + i < bytes.size())
            value |= std::uint64_t(std::uint8_t(bytes[int(offset + i)])) << (8 * i);
    return value;
}

class SectionDecoder
{
public:
    explicit SectionDecoder(const QByteArray &bytes)
        : m_bytes(bytes)
    {}

    QJsonValue decode(const LayoutNode &node, std::size_t depth)
    {
        depth = representedDepth(node, depth);
        if (depth < node.dims().size())
            return decodeArray(node, depth);
        if (node.isBlock())
            return decodeStructure(node);
        return decodeScalar(node);
    }

private:
    QJsonValue decodeArray(const LayoutNode &node, std::size_t depth)
    {
        const std::int32_t length = std::max<std::int32_t>(node.dims()[depth], 0);
        const std::int64_t start = m_offset;
        const std::int64_t elementSpan = spanFrom(node, depth + 1);
        QJsonValue result;
        if (node.isBlock()) {
            QJsonObject elements;
            for (std::int32_t i = 0; i < length; ++i) {
                m_offset = start + i * elementSpan;
                elements.insert(QString::number(i), decode(node, depth + 1));
            }
            result = elements;
        } else {
            QJsonArray elements;
            for (std::int32_t i = 0; i < length; ++i) {
                m_offset = start + i * elementSpan;
                const QJsonValue element = decode(node, depth + 1);
                if (element.isNull())
                    break;
                elements.append(element);
            }
            result = elements;
        }
        m_offset = start + elementSpan * length;
        return result;
    }

    QJsonValue decodeStructure(const LayoutNode &node)
    {
        const std::int64_t start = m_offset;
        QJsonObject fields;
        for (const LayoutNode &child : node.children()) {
            if (isReserved(child)) {
                m_offset += child.byteSize();
                continue;
            }
            const QJsonValue value = decode(child, 0);
            if (value.isNull())
                break;
            fields.insert(child.name(), value);
        }
        m_offset = start + node.elementSize();
        return fields;
    }

    QJsonValue decodeScalar(const LayoutNode &node)
    {
        const std::int32_t size = layoutTypeSize(node.type());
        if (size == 0 || m_offset + size > m_bytes.size())
            return QJsonValue::Null;
        const std::uint64_t raw = readLittleEndian(m_bytes, m_offset, size);
        m_offset += size;
        if (!node.bitFields().empty()) {
            QJsonObject groups;
            for (const BitField &group : node.bitFields()) {
                const std::uint64_t shifted = group.startBit >= 0 && group.startBit < kMaxShiftBits
                                                  ? raw >> group.startBit
                                                  : 0;
                groups.insert(group.name, double(shifted & groupMask(group.width)));
            }
            return groups;
        }
        if (!isSigned(node.type()))
            return double(raw);
        // Sign-extend from the field's width.
        const int unusedBits = 64 - 8 * size;
        return double(std::int64_t(raw << unusedBits) >> unusedBits);
    }

    const QByteArray &m_bytes;
    std::int64_t m_offset = 0;
};

// A JSON number as the integer whose low bytes are stored; nothing for other types.
std::optional<std::int64_t> toInteger(const QJsonValue &value)
{
    if (value.isBool())
        return value.toBool() ? 1 : 0;
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (std::isnan(number))
        return std::nullopt;
    // 2^63 is exactly representable; anything at or past it saturates instead of overflowing.
    constexpr double kTwoTo63 = 9223372036854775808.0;
    if (number >= kTwoTo63)
        return std::numeric_limits<std::int64_t>::max();
    if (number < -kTwoTo63)
        return std::numeric_limits<std::int64_t>::min();
    return std::int64_t(number);
}

class SectionEncoder
{
public:
    explicit SectionEncoder(QByteArray &bytes)
        : m_bytes(bytes)
    {}

    void encode(const LayoutNode &node, std::size_t depth, const QJsonValue &value)
    {
        depth = representedDepth(node, depth);
        const std::int64_t start = m_offset;
        const std::int64_t span = spanFrom(node, depth);
        if (depth < node.dims().size())
            encodeArray(node, depth, value);
        else if (node.isBlock())
            encodeStructure(node, value);
        else
            encodeScalar(node, value);
        m_offset = start + span;
    }

private:
    void encodeArray(const LayoutNode &node, std::size_t depth, const QJsonValue &value)
    {
        const std::int32_t length = std::max<std::int32_t>(node.dims()[depth], 0);
        const std::int64_t start = m_offset;
        const std::int64_t elementSpan = spanFrom(node, depth + 1);
        if (node.isBlock() && value.isObject()) {
            const QJsonObject elements = value.toObject();
            for (auto it = elements.begin(); it != elements.end(); ++it) {
                bool ok = false;
                const int index = it.key().toInt(&ok, 10);
                if (!ok || index < 0 || index >= length)
                    continue;
                m_offset = start + index * elementSpan;
                encode(node, depth + 1, it.value());
            }
        } else if (!node.isBlock() && value.isArray()) {
            const QJsonArray elements = value.toArray();
            const qsizetype count = std::min<qsizetype>(elements.size(), length);
            for (qsizetype i = 0; i < count; ++i) {
                m_offset = start + i * elementSpan;
                encode(node, depth + 1, elements.at(i));
            }
        }
    }

    void encodeStructure(const LayoutNode &node, const QJsonValue &value)
    {
        if (!value.isObject())
            return;
        const QJsonObject fields = value.toObject();
        std::int64_t childOffset = m_offset;
        for (const LayoutNode &child : node.children()) {
            m_offset = childOffset;
            if (!isReserved(child)) {
                const auto member = fields.constFind(child.name());
                if (member != fields.constEnd())
                    encode(child, 0, *member);
            }
            childOffset += child.byteSize();
        }
    }

    void encodeScalar(const LayoutNode &node, const QJsonValue &value)
    {
        const std::int32_t size = layoutTypeSize(node.type());
        if (size == 0)
            return;
        std::optional<std::int64_t> number;
        if (!node.bitFields().empty() && value.isObject())
            number =
                bitGroupsValue(node, value.toObject(), readLittleEndian(m_bytes, m_offset, size));
        else
            number = toInteger(value);
        if (number)
            store(std::uint64_t(*number), size);
    }

    // Bits that no group covers keep their stored value: the raw bytes carry them and the
    // readable mirror has no member that could restore them.
    static std::int64_t bitGroupsValue(const LayoutNode &node, const QJsonObject &groups,
                                       std::uint64_t stored)
    {
        std::uint64_t covered = 0;
        std::uint64_t combined = 0;
        for (const BitField &group : node.bitFields()) {
            if (group.startBit < 0 || group.startBit >= kMaxShiftBits)
                continue;
            const std::uint64_t mask = groupMask(group.width) << group.startBit;
            const std::uint64_t member =
                std::uint64_t(toInteger(groups.value(group.name)).value_or(0));
            covered |= mask;
            combined |= (member << group.startBit) & mask;
        }
        return std::int64_t(combined | (stored & ~covered));
    }

    void store(std::uint64_t value, std::int32_t size)
    {
        const qsizetype end = qsizetype(m_offset + size);
        if (end > m_bytes.size()) {
            const qsizetype oldSize = m_bytes.size();
            m_bytes.resize(end);
            std::fill(m_bytes.begin() + oldSize, m_bytes.end(), '\0');
        }
        for (std::int32_t i = 0; i < size; ++i)
            m_bytes[int(m_offset + i)] = char(std::uint8_t(value >> (8 * i)));
    }

    QByteArray &m_bytes;
    std::int64_t m_offset = 0;
};

} // namespace

QJsonValue decodeSection(const LayoutNode &schema, const QByteArray &bytes)
{
    SectionDecoder decoder(bytes);
    return decoder.decode(schema, 0);
}

void encodeSection(const LayoutNode &schema, const QJsonValue &value, QByteArray &bytes)
{
    SectionEncoder encoder(bytes);
    encoder.encode(schema, 0, value);
}
