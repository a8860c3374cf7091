#include "devicestate/layoutnode.h"

#include "devicestate/parseexception.h"

#include <algorithm>

namespace {

[[noreturn]] void throwSizeError(const QString &name, const char *what)
{
    throw ParseException("Field " + name.toStdString() + ": " + what, ParseException::kNoPosition);
}

int32_t checkedCount(const QString &name, const std::vector<int32_t> &dims)
{
    int64_t count = 1;
    for (const int32_t dim : dims) {
        if (dim < 0)
            throwSizeError(name, "array dimension is negative");
        count *= dim;
        if (count > kMaxLayoutSize)
            throwSizeError(name, "element count does not fit 32 bits");
    }
    return int32_t(count);
}

int64_t sumOfSizes(const std::vector<LayoutNode> &children)
{
    // Each byteSize() is at most kMaxLayoutSize, so the 64-bit sum cannot overflow for any
    // child list that fits in memory.
    int64_t sum = 0;
    for (const auto &child : children)
        sum += child.byteSize();
    return sum;
}

// Element `index` of the first child called `name`, with its offset counted from baseOffset.
FieldLocation locateIn(const LayoutNode &block, int32_t baseOffset, const QString &name,
                       int32_t index)
{
    int64_t offset = baseOffset;
    for (const auto &child : block.children()) {
        if (child.name() == name) {
            offset += int64_t(child.elementSize()) * index;
            if (offset < 0 || offset > kMaxLayoutSize)
                return {baseOffset, nullptr};
            return {int32_t(offset), &child};
        }
        offset += child.byteSize();
    }
    return {baseOffset, nullptr};
}

} // namespace

int32_t layoutTypeSize(LayoutType type)
{
    switch (type) {
    case LayoutType::I8:
    case LayoutType::U8:
        return 1;
    case LayoutType::I16:
    case LayoutType::U16:
        return 2;
    case LayoutType::I32:
    case LayoutType::U32:
        return 4;
    case LayoutType::Block:
        break;
    }
    return 0;
}

LayoutNode::LayoutNode() = default;

LayoutNode::LayoutNode(QString name, LayoutType type, std::vector<int32_t> dims,
                       std::vector<LayoutNode> children, std::vector<BitField> bitFields,
                       int64_t elementSize)
    : m_name(std::move(name))
    , m_dims(std::move(dims))
    , m_type(type)
    , m_children(std::move(children))
    , m_bitFields(std::move(bitFields))
{
    m_count = checkedCount(m_name, m_dims);
    if (elementSize > kMaxLayoutSize || elementSize * m_count > kMaxLayoutSize)
        throwSizeError(m_name, "size does not fit 32 bits");
    m_elementSize = int32_t(elementSize);

    if (m_type == LayoutType::Block) {
        for (const auto &child : m_children)
            m_alignment = std::max(m_alignment, child.alignment());
    } else {
        m_alignment = std::max(1, layoutTypeSize(m_type));
    }
}

LayoutNode LayoutNode::scalar(QString name, LayoutType type, std::vector<int32_t> dims,
                              std::vector<BitField> bitFields)
{
    Q_ASSERT(type != LayoutType::Block);
    return LayoutNode(std::move(name), type, std::move(dims), {}, std::move(bitFields),
                      layoutTypeSize(type));
}

LayoutNode LayoutNode::block(QString name, std::vector<LayoutNode> children,
                             std::vector<int32_t> dims)
{
    const int64_t elementSize = sumOfSizes(children);
    return LayoutNode(std::move(name), LayoutType::Block, std::move(dims), std::move(children), {},
                      elementSize);
}

const LayoutNode *LayoutNode::child(const QString &name) const &
{
    const auto found = std::ranges::find(m_children, name, &LayoutNode::name);
    return found == m_children.end() ? nullptr : &*found;
}

FieldLocation LayoutNode::locate(const QString &name, int32_t index) const &
{
    return locateIn(*this, 0, name, index);
}

FieldLocation FieldLocation::locate(const QString &name, int32_t index) const
{
    if (!node)
        return {offset, nullptr};
    return locateIn(*node, offset, name, index);
}
