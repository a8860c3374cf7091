#include "deviceaccesshint.h"

QString deviceAccessHint()
{
#if defined(Q_OS_LINUX)
    return QStringLiteral(
        "Permission denied: this user may not open the device. Install the rules file "
        "60-zandorex-programmer.rules into /etc/udev/rules.d/ (the installed copy is under "
        "lib/udev/rules.d/), run 'udevadm control --reload-rules && udevadm trigger' and plug "
        "the device in again; or add the user to the group that owns the device ('dialout' "
        "for serial ports, 'plugdev' for the programming cable) and log in again.");
#else
    return {};
#endif
}
