#include "devicestate/layoutdescribe.h"

namespace {

constexpr int kNameColumnWidth = 29;
constexpr int kOffsetColumnWidth = 4;

void describeInto(QString &out, const LayoutNode &node, int level, int64_t baseOffset)
{
    const QString indentation(2 * level, QLatin1Char(' '));
    int64_t offset = baseOffset;
    for (const auto &child : node.children()) {
        out += indentation;
        out += child.name().leftJustified(kNameColumnWidth - indentation.size());
        out += QLatin1Char(' ');
        out += QString::number(offset).rightJustified(kOffsetColumnWidth);
        out += QLatin1Char('\n');
        describeInto(out, child, level + 1, offset);
        offset += child.byteSize();
    }
}

} // namespace

QString describeLayout(const LayoutNode &node, int level, int32_t baseOffset)
{
    QString out;
    describeInto(out, node, level, baseOffset);
    return out;
}
