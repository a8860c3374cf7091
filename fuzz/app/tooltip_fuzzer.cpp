#include "app/tooltipparser.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>

// The tooltip file is edited by hand next to the program: any bytes must parse or fail with a
// line number.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QBuffer buffer;
    buffer.setData(reinterpret_cast<const char *>(data), int(size));
    buffer.open(QIODevice::ReadOnly);
    const auto result = parseTooltips(buffer);
    if (!result && result.error().line < 1)
        __builtin_trap();
    return 0;
}
