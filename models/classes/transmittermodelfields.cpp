#include "models/classes/transmittermodelfields.h"

#include <QtEndian>

#include <cstdint>

namespace {

bool coversScalar(const QByteArray &bytes, const FieldLocation &field)
{
    if (!field.found() || field.node->isBlock())
        return false;
    const int size = field.node->elementSize();
    return size > 0 && field.offset >= 0 && qint64(field.offset) + size <= bytes.size();
}

} // namespace

FieldLocation locateElement(const FieldLocation &parent, const QString &name, int index)
{
    const FieldLocation element = parent.locate(name, index);
    if (!element.found() || index < 0 || index >= element.node->count())
        return {parent.offset, nullptr};
    return element;
}

int readScalarField(const QByteArray &bytes, const FieldLocation &field)
{
    if (!coversScalar(bytes, field))
        return 0;
    const uchar *at = reinterpret_cast<const uchar *>(bytes.constData()) + field.offset;
    switch (field.node->type()) {
    case LayoutType::I8:
        return qint8(at[0]);
    case LayoutType::U8:
        return at[0];
    case LayoutType::I16:
        return qFromLittleEndian<qint16>(at);
    case LayoutType::U16:
        return qFromLittleEndian<quint16>(at);
    case LayoutType::I32:
        return qFromLittleEndian<qint32>(at);
    case LayoutType::U32:
        return int(qFromLittleEndian<quint32>(at));
    case LayoutType::Block:
        break;
    }
    return 0;
}

bool writeScalarField(QByteArray &bytes, const FieldLocation &field, int value)
{
    if (!coversScalar(bytes, field))
        return false;
    const auto pattern = std::uint32_t(value);
    for (int i = 0; i < field.node->elementSize(); ++i)
        bytes[field.offset + i] = char((pattern >> (8 * i)) & 0xFF);
    return true;
}
