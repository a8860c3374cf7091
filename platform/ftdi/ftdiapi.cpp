#include "ftdiapi.h"

#include "ftdibackends.h"

#include <QMutex>

#include <algorithm>
#include <cstring>
#include <memory>

namespace ftdi {

QByteArray nodeSerialNumber(const DeviceListNode &node)
{
    return QByteArray(node.serialNumber,
                      int(qstrnlen(node.serialNumber, sizeof node.serialNumber)));
}

QByteArray nodeDescription(const DeviceListNode &node)
{
    return QByteArray(node.description, int(qstrnlen(node.description, sizeof node.description)));
}

void setNodeString(char *target, qsizetype capacity, const QByteArray &text)
{
    std::memset(target, 0, size_t(capacity));
    std::memcpy(target, text.constData(), size_t(std::min<qsizetype>(capacity, text.size())));
}

namespace {

QMutex defaultMutex;
FtdiApi *installedApi = nullptr;

} // namespace

FtdiApi &defaultFtdiApi()
{
    QMutexLocker lock(&defaultMutex);
    if (installedApi)
        return *installedApi;
    // Chosen once: a backend holds its library and its USB context for the whole run.
    static const std::unique_ptr<FtdiApi> chosen = chooseFtdiBackend();
    return *chosen;
}

void installDefaultFtdiApi(FtdiApi *api)
{
    QMutexLocker lock(&defaultMutex);
    installedApi = api;
}

} // namespace ftdi
