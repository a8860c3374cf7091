#pragma once

#include <QString>

#include <cstdint>
#include <limits>
#include <vector>

// Types of the settings-layout language. The values are fixed; a value outside the list can
// only come from a cast and is treated as a type of size 0.
enum class LayoutType : int32_t { I8 = 1, U8 = 2, I16 = 3, U16 = 4, I32 = 5, U32 = 6, Block = 7 };

// Bytes of one element: 1, 2 or 4 for the integer types, 0 for Block and unknown values.
[[nodiscard]] int32_t layoutTypeSize(LayoutType type);

// A named bit range of an integer field, from startBit up to but not including
// startBit + width.
struct BitField
{
    QString name;
    int32_t startBit = 0;
    int32_t width = 0;

    bool operator==(const BitField &) const = default;
};

// Every count, element size and field size of a layout fits this value, so every byte offset
// inside a section fits the signed 32-bit offsets that FieldLocation and the section code use.
inline constexpr int64_t kMaxLayoutSize = std::numeric_limits<int32_t>::max();

struct FieldLocation;

// One field of a parsed layout: a scalar (with optional bit fields) or a block of members,
// either of them possibly an array. Nodes are immutable values; copying one copies its subtree.
// The factories keep elementSize and count consistent with the members.
class LayoutNode
{
public:
    // An unnamed empty block of 0 bytes, for members that are assigned later.
    LayoutNode();

    // A field of an integer type. Throws ParseException (without a text position) when the
    // element count or the field's size falls outside 0..kMaxLayoutSize.
    [[nodiscard]] static LayoutNode scalar(QString name, LayoutType type,
                                           std::vector<int32_t> dims = {},
                                           std::vector<BitField> bitFields = {});

    // A block whose element size is the sum of its children's sizes. Throws ParseException
    // (without a text position) when a size or the count falls outside 0..kMaxLayoutSize.
    [[nodiscard]] static LayoutNode block(QString name, std::vector<LayoutNode> children,
                                          std::vector<int32_t> dims = {});

    [[nodiscard]] const QString &name() const { return m_name; }
    // Array dimensions in the order written; empty for a single element.
    [[nodiscard]] const std::vector<int32_t> &dims() const { return m_dims; }
    [[nodiscard]] LayoutType type() const { return m_type; }
    [[nodiscard]] bool isBlock() const { return m_type == LayoutType::Block; }
    [[nodiscard]] const std::vector<LayoutNode> &children() const { return m_children; }
    [[nodiscard]] const std::vector<BitField> &bitFields() const { return m_bitFields; }
    [[nodiscard]] int32_t elementSize() const { return m_elementSize; }
    // Product of the dimensions; 1 for a single element.
    [[nodiscard]] int32_t count() const { return m_count; }
    // Bytes the whole field occupies: elementSize() × count().
    [[nodiscard]] int32_t byteSize() const { return m_elementSize * m_count; }
    // 1, 2 or 4 by type; a block takes its largest member's (1 when empty).
    [[nodiscard]] int32_t alignment() const { return m_alignment; }

    // The first member with this name, or nullptr. The pointer lives as long as this node,
    // hence no look-ups on temporaries.
    [[nodiscard]] const LayoutNode *child(const QString &name) const &;
    const LayoutNode *child(const QString &name) const && = delete;

    // Offset of element `index` of the first member called `name`, counted from the start of
    // this block, with that member. `index` addresses a flattened element of a possibly
    // multi-dimensional array and is not checked against the member's count, but an offset
    // outside 0..kMaxLayoutSize is never returned: such a look-up, like an unknown name,
    // yields offset 0 and no node.
    [[nodiscard]] FieldLocation locate(const QString &name, int32_t index = 0) const &;
    FieldLocation locate(const QString &name, int32_t index = 0) const && = delete;

    bool operator==(const LayoutNode &) const = default;

private:
    LayoutNode(QString name, LayoutType type, std::vector<int32_t> dims,
               std::vector<LayoutNode> children, std::vector<BitField> bitFields,
               int64_t elementSize);

    QString m_name;
    std::vector<int32_t> m_dims;
    LayoutType m_type = LayoutType::Block;
    std::vector<LayoutNode> m_children;
    std::vector<BitField> m_bitFields;
    int32_t m_elementSize = 0;
    int32_t m_count = 1;
    int32_t m_alignment = 1;
};

// A located field: its byte offset from the start of the section and its node, or no node
// when the name was not found. The node pointer borrows from the tree it was located in.
struct FieldLocation
{
    int32_t offset = 0;
    const LayoutNode *node = nullptr;

    [[nodiscard]] bool found() const { return node != nullptr; }

    // Locates inside this field's node and adds this location's offset, so that look-ups
    // chain down a path: root.locate("model").locate("servo", 3). Without a node, or when
    // the name is not found, the result has this offset and no node.
    [[nodiscard]] FieldLocation locate(const QString &name, int32_t index = 0) const;
};
