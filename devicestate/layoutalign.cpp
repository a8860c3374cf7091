#include "devicestate/layoutalign.h"

namespace {

const QString kPaddingName = QStringLiteral("_padding");

LayoutNode padding(int64_t bytes)
{
    return LayoutNode::scalar(kPaddingName, LayoutType::U8, {int32_t(bytes)});
}

} // namespace

LayoutNode alignLayout(const LayoutNode &node)
{
    if (!node.isBlock())
        return node;

    std::vector<LayoutNode> children;
    children.reserve(node.children().size());
    // 64 bits because padding may push the sum past kMaxLayoutSize before the block factory
    // gets to reject it.
    int64_t offset = 0;
    for (const auto &original : node.children()) {
        LayoutNode child = original.isBlock() ? alignLayout(original) : original;
        const int32_t alignment = child.alignment();
        if (const int64_t misalignment = offset % alignment; misalignment != 0) {
            children.push_back(padding(alignment - misalignment));
            offset += alignment - misalignment;
        }
        offset += child.byteSize();
        children.push_back(std::move(child));
    }
    if (node.count() > 1) {
        if (const int64_t misalignment = offset % node.alignment(); misalignment != 0)
            children.push_back(padding(node.alignment() - misalignment));
    }
    return LayoutNode::block(node.name(), std::move(children), node.dims());
}
