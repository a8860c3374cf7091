// Feeds arbitrary text to the layout parser and runs every query on the trees it accepts.
// Anything but a ParseException escaping, a sanitizer report or a broken size invariant is a
// finding.
#include "devicestate/layout.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void checkSizes(const LayoutNode &node)
{
    int64_t sum = 0;
    for (const auto &child : node.children()) {
        checkSizes(child);
        sum += child.byteSize();
    }
    if (node.isBlock() && sum != node.elementSize())
        std::abort();
    if (int64_t(node.elementSize()) * node.count() > kMaxLayoutSize)
        std::abort();
}

void exercise(const LayoutNode &root)
{
    checkSizes(root);
    (void)describeLayout(root);
    // Walk down the first member of each level, with an element index that is sometimes out
    // of range, as the model classes walk down paths.
    FieldLocation location{0, &root};
    for (int32_t index = 0; location.node && !location.node->children().empty(); ++index) {
        const LayoutNode &first = location.node->children().front();
        location = location.locate(first.name(), index % 3 == 2 ? first.count() : index % 2);
        if (location.found() && (location.offset < 0 || location.offset > kMaxLayoutSize))
            std::abort();
    }
    (void)root.locate(QStringLiteral("_padding"), -1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    try {
        const LayoutNode root = parseLayout(text);
        exercise(root);
        const LayoutNode aligned = alignLayout(root);
        if (aligned.count() != root.count() || aligned.byteSize() < root.byteSize())
            std::abort();
        exercise(aligned);
    } catch (const ParseException &error) {
        if (error.position() > text.size())
            std::abort();
    }
    return 0;
}
