#include "ftdibackends.h"
#include "receiveevent.h"

#include <QLibrary>

#include <algorithm>
#include <vector>

namespace ftdi {

namespace {

#if defined(Q_OS_WIN) && defined(Q_PROCESSOR_X86_32)
#define ZX_D2XX_CALL __stdcall
#else
#define ZX_D2XX_CALL
#endif

// Our own declarations of the D2XX calls we make, with the Windows widths of its types (ULONG
// and DWORD are 32 bits there, FT_HANDLE a pointer).
using D2xxStatus = quint32;
using D2xxHandle = void *;

struct D2xxListNode
{
    quint32 flags;
    quint32 type;
    quint32 id;
    quint32 locId;
    char serialNumber[16];
    char description[64];
    D2xxHandle handle;
};

using CreateDeviceInfoListFn = D2xxStatus(ZX_D2XX_CALL *)(quint32 *count);
using GetDeviceInfoListFn = D2xxStatus(ZX_D2XX_CALL *)(D2xxListNode *nodes, quint32 *count);
using OpenExFn = D2xxStatus(ZX_D2XX_CALL *)(void *key, quint32 flags, D2xxHandle *handle);
using CloseFn = D2xxStatus(ZX_D2XX_CALL *)(D2xxHandle handle);
using SetBaudRateFn = D2xxStatus(ZX_D2XX_CALL *)(D2xxHandle handle, quint32 baudRate);
using SetDataCharacteristicsFn = D2xxStatus(ZX_D2XX_CALL *)(D2xxHandle handle, quint8 wordLength,
                                                            quint8 stopBits, quint8 parity);
using SetFlowControlFn = D2xxStatus(ZX_D2XX_CALL *)(D2xxHandle handle, quint16 flowControl,
                                                    quint8 xon, quint8 xoff);
using SetBitModeFn = D2xxStatus(ZX_D2XX_CALL *)(D2xxHandle handle, quint8 mask, quint8 mode);
using SetEventNotificationFn = D2xxStatus(ZX_D2XX_CALL *)(D2xxHandle handle, quint32 mask,
                                                          void *parameter);
using SetLatencyTimerFn = D2xxStatus(ZX_D2XX_CALL *)(D2xxHandle handle, quint8 latencyMs);
using GetQueueStatusFn = D2xxStatus(ZX_D2XX_CALL *)(D2xxHandle handle, quint32 *rxBytes);
using ReadFn = D2xxStatus(ZX_D2XX_CALL *)(D2xxHandle handle, void *buffer, quint32 bytesToRead,
                                          quint32 *bytesRead);
using WriteFn = D2xxStatus(ZX_D2XX_CALL *)(D2xxHandle handle, void *buffer, quint32 bytesToWrite,
                                           quint32 *bytesWritten);

class D2xxBackend final : public FtdiApi
{
public:
    // False when the library or one of its functions is missing.
    bool load()
    {
        m_library.setFileName(QStringLiteral("ftd2xx"));
        if (!m_library.load())
            return false;
        return resolve(m_createDeviceInfoList, "FT_CreateDeviceInfoList") &&
               resolve(m_getDeviceInfoList, "FT_GetDeviceInfoList") &&
               resolve(m_openEx, "FT_OpenEx") && resolve(m_close, "FT_Close") &&
               resolve(m_setBaudRate, "FT_SetBaudRate") &&
               resolve(m_setDataCharacteristics, "FT_SetDataCharacteristics") &&
               resolve(m_setFlowControl, "FT_SetFlowControl") &&
               resolve(m_setBitMode, "FT_SetBitMode") &&
               resolve(m_setEventNotification, "FT_SetEventNotification") &&
               resolve(m_setLatencyTimer, "FT_SetLatencyTimer") &&
               resolve(m_getQueueStatus, "FT_GetQueueStatus") && resolve(m_read, "FT_Read") &&
               resolve(m_write, "FT_Write");
    }

    QString backendName() const override { return QStringLiteral("D2XX"); }

    Status createDeviceInfoList(quint32 *count) override { return m_createDeviceInfoList(count); }

    Status getDeviceInfoList(DeviceListNode *nodes, quint32 *count) override
    {
        // The library writes as many nodes as its own snapshot holds, so ask how many first and
        // give it room for all of them.
        quint32 listed = 0;
        if (Status status = m_createDeviceInfoList(&listed))
            return status;
        std::vector<D2xxListNode> raw(listed);
        if (Status status = listed ? m_getDeviceInfoList(raw.data(), &listed) : kOk)
            return status;
        const quint32 copied = std::min(*count, listed);
        for (quint32 i = 0; i < copied; ++i) {
            nodes[i].flags = raw[i].flags;
            nodes[i].type = raw[i].type;
            nodes[i].id = raw[i].id;
            nodes[i].locId = raw[i].locId;
            std::copy_n(raw[i].serialNumber, sizeof raw[i].serialNumber, nodes[i].serialNumber);
            std::copy_n(raw[i].description, sizeof raw[i].description, nodes[i].description);
            nodes[i].handle = raw[i].handle;
        }
        *count = copied;
        return kOk;
    }

    Status openEx(const QByteArray &key, quint32 how, Handle *handle) override
    {
        QByteArray terminated = key;
        return m_openEx(terminated.data(), how, handle);
    }
    Status close(Handle handle) override { return m_close(handle); }
    Status setBaudRate(Handle handle, quint32 baudRate) override
    {
        return m_setBaudRate(handle, baudRate);
    }
    Status setDataCharacteristics(Handle handle, quint8 wordLength, quint8 stopBits,
                                  quint8 parity) override
    {
        return m_setDataCharacteristics(handle, wordLength, stopBits, parity);
    }
    Status setFlowControl(Handle handle, quint16 flowControl, quint8 xon, quint8 xoff) override
    {
        return m_setFlowControl(handle, flowControl, xon, xoff);
    }
    Status setBitMode(Handle handle, quint8 mask, quint8 mode) override
    {
        return m_setBitMode(handle, mask, mode);
    }
    Status setEventNotification(Handle handle, quint32 eventMask, ReceiveEvent *event) override
    {
        // The library signals the Win32 event itself.
        return m_setEventNotification(handle, eventMask, event ? event->nativeHandle() : nullptr);
    }
    Status setLatencyTimer(Handle handle, quint8 latencyMs) override
    {
        return m_setLatencyTimer(handle, latencyMs);
    }
    Status getQueueStatus(Handle handle, quint32 *rxBytes) override
    {
        return m_getQueueStatus(handle, rxBytes);
    }
    Status read(Handle handle, void *buffer, quint32 bytesToRead, quint32 *bytesRead) override
    {
        return m_read(handle, buffer, bytesToRead, bytesRead);
    }
    Status write(Handle handle, const void *buffer, quint32 bytesToWrite,
                 quint32 *bytesWritten) override
    {
        return m_write(handle, const_cast<void *>(buffer), bytesToWrite, bytesWritten);
    }

private:
    template <typename Fn> bool resolve(Fn &function, const char *name)
    {
        function = reinterpret_cast<Fn>(m_library.resolve(name));
        return function != nullptr;
    }

    QLibrary m_library;
    CreateDeviceInfoListFn m_createDeviceInfoList = nullptr;
    GetDeviceInfoListFn m_getDeviceInfoList = nullptr;
    OpenExFn m_openEx = nullptr;
    CloseFn m_close = nullptr;
    SetBaudRateFn m_setBaudRate = nullptr;
    SetDataCharacteristicsFn m_setDataCharacteristics = nullptr;
    SetFlowControlFn m_setFlowControl = nullptr;
    SetBitModeFn m_setBitMode = nullptr;
    SetEventNotificationFn m_setEventNotification = nullptr;
    SetLatencyTimerFn m_setLatencyTimer = nullptr;
    GetQueueStatusFn m_getQueueStatus = nullptr;
    ReadFn m_read = nullptr;
    WriteFn m_write = nullptr;
};

} // namespace

std::unique_ptr<FtdiApi> loadD2xxBackend()
{
#ifdef Q_OS_WIN
    auto backend = std::make_unique<D2xxBackend>();
    if (backend->load())
        return backend;
    return nullptr;
#else
    // Elsewhere the library's notification takes a pthread condition record and its integer
    // types have other widths; libftdi1 serves these systems instead.
    return nullptr;
#endif
}

} // namespace ftdi
