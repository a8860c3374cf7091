#include "device/devicemode.h"

#include <array>

QString deviceModeName(int mode)
{
    static const std::array<QString, 4> names = {
        QStringLiteral("Unknown"), QStringLiteral("Switching"), QStringLiteral("Bootloader"),
        QStringLiteral("FSK")};
    if (mode < 0 || mode >= int(names.size()))
        return QStringLiteral("(invalid)");
    return names[size_t(mode)];
}
