#include "models/classes/imagefields.h"

#include <algorithm>
#include <cstdint>

FieldLocation locateElement(const FieldLocation &parent, const QString &name, int index)
{
    const FieldLocation element = parent.locate(name, index);
    if (!element.found() || index < 0 || index >= element.node->count())
        return {parent.offset, nullptr};
    return element;
}

FieldLocation locateField(const LayoutNode &root, std::initializer_list<FieldPathStep> path)
{
    FieldLocation location{0, &root};
    for (const FieldPathStep &step : path) {
        location = locateElement(location, step.name, step.index);
        if (!location.found())
            return {};
    }
    return location;
}

namespace {

struct ScalarRange
{
    int size = 0;
    bool isSigned = false;
    std::int64_t minimum = 0;
    std::int64_t maximum = 0;
};

ScalarRange rangeOf(LayoutType type)
{
    switch (type) {
    case LayoutType::I8:
        return {1, true, INT8_MIN, INT8_MAX};
    case LayoutType::U8:
        return {1, false, 0, UINT8_MAX};
    case LayoutType::I16:
        return {2, true, INT16_MIN, INT16_MAX};
    case LayoutType::U16:
        return {2, false, 0, UINT16_MAX};
    case LayoutType::I32:
        return {4, true, INT32_MIN, INT32_MAX};
    case LayoutType::U32:
        // Values travel as int: the upper half of the range is out of reach.
        return {4, false, 0, INT32_MAX};
    default:
        return {};
    }
}

bool fits(const QByteArray &image, const FieldLocation &location, int size)
{
    return location.found() && size > 0 && location.offset >= 0 &&
           std::int64_t(location.offset) + size <= image.size();
}

} // namespace

int readField(const QByteArray &image, const FieldLocation &location)
{
    const ScalarRange range = location.found() ? rangeOf(location.node->type()) : ScalarRange{};
    if (!fits(image, location, range.size))
        return 0;
    std::uint32_t raw = 0;
    for (int i = 0; i < range.size; ++i)
        raw |= std::uint32_t(std::uint8_t(image.at(location.offset + i))) << (8 * i);
    if (range.isSigned && range.size < 4) {
        const std::uint32_t signBit = 1u << (8 * range.size - 1);
        return int(std::int32_t(raw ^ signBit) - std::int32_t(signBit));
    }
    return int(raw);
}

namespace {

bool storeField(QByteArray &image, const FieldLocation &location, int value, bool clamped)
{
    const ScalarRange range = location.found() ? rangeOf(location.node->type()) : ScalarRange{};
    if (!fits(image, location, range.size))
        return false;
    const auto stored =
        clamped ? std::uint32_t(std::clamp<std::int64_t>(value, range.minimum, range.maximum))
                : std::uint32_t(value);
    for (int i = 0; i < range.size; ++i)
        image[location.offset + i] = char((stored >> (8 * i)) & 0xFF);
    return true;
}

void copyBytes(QByteArray &image, const QByteArray &source, const FieldLocation &location, int size)
{
    if (fits(image, location, size) && fits(source, location, size))
        image.replace(location.offset, size, source.mid(location.offset, size));
}

} // namespace

bool writeField(QByteArray &image, const FieldLocation &location, int value)
{
    return storeField(image, location, value, true);
}

bool writeFieldBits(QByteArray &image, const FieldLocation &location, int value)
{
    return storeField(image, location, value, false);
}

void copyField(QByteArray &image, const QByteArray &source, const FieldLocation &location)
{
    if (location.found())
        copyBytes(image, source, location, location.node->byteSize());
}

void copyFieldElement(QByteArray &image, const QByteArray &source, const FieldLocation &location)
{
    if (location.found())
        copyBytes(image, source, location, location.node->elementSize());
}

int byteAt(const QByteArray &image, int offset)
{
    return offset >= 0 && offset < image.size() ? std::uint8_t(image.at(offset)) : 0;
}

void setByteAt(QByteArray &image, int offset, int value)
{
    if (offset >= 0 && offset < image.size())
        image[offset] = char(value & 0xFF);
}
