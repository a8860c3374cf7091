#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace ftdi {

class ReceiveEvent;

// The calls the programming-cable stream makes, shaped after the vendor's D2XX interface so that
// the D2XX library can sit behind it unchanged; libftdi1 and the simulated cable imitate it.
using Status = unsigned long;
using Handle = void *;

// Status codes as the D2XX library numbers them. Every backend answers with these.
constexpr Status kOk = 0;
constexpr Status kInvalidHandle = 1;
constexpr Status kDeviceNotFound = 2;
constexpr Status kDeviceNotOpened = 3;
constexpr Status kIoError = 4;
constexpr Status kInsufficientResources = 5;
constexpr Status kInvalidParameter = 6;
constexpr Status kOtherError = 18;
// Ours, beyond the D2XX range: the operating system refused access to the USB device (on Linux
// a missing udev rule or group membership). The stream explains the fix in the log.
constexpr Status kAccessDenied = 1000;

constexpr quint32 kOpenBySerialNumber = 1;
constexpr quint32 kEventRxChar = 1;

constexpr quint8 kWordLength8Bits = 8;
constexpr quint8 kStopBits1 = 0;
constexpr quint8 kParityNone = 0;
constexpr quint16 kFlowNone = 0;

constexpr quint8 kBitModeReset = 0x00;
constexpr quint8 kBitModeCbusBitBang = 0x20;

// Device-list flag bits.
constexpr quint32 kFlagOpened = 0x1;
constexpr quint32 kFlagHighSpeed = 0x2;

constexpr quint16 kFtdiVendorId = 0x0403;

// One entry of the device list. The sizes of the two strings are those of the D2XX list nodes;
// a string that fills its array has no terminating zero (use nodeSerialNumber/nodeDescription).
struct DeviceListNode
{
    quint32 flags = 0;
    quint32 type = 0;
    quint32 id = 0; // vendor id in the high 16 bits, product id in the low 16 bits
    quint32 locId = 0;
    char serialNumber[16] = {};
    char description[64] = {};
    Handle handle = nullptr;
};

[[nodiscard]] QByteArray nodeSerialNumber(const DeviceListNode &node);
[[nodiscard]] QByteArray nodeDescription(const DeviceListNode &node);
// Copies `text` into a node string, cutting it to the array.
void setNodeString(char *target, qsizetype capacity, const QByteArray &text);

[[nodiscard]] constexpr quint16 vendorIdOf(quint32 id)
{
    return quint16(id >> 16);
}
[[nodiscard]] constexpr quint16 productIdOf(quint32 id)
{
    return quint16(id & 0xFFFF);
}
[[nodiscard]] constexpr quint32 deviceId(quint16 vendorId, quint16 productId)
{
    return (quint32(vendorId) << 16) | productId;
}

class FtdiApi
{
public:
    virtual ~FtdiApi() = default;

    // For the log: which backend serves the cables.
    [[nodiscard]] virtual QString backendName() const = 0;

    // Takes a snapshot of the attached devices and reports how many there are.
    virtual Status createDeviceInfoList(quint32 *count) = 0;
    // Copies the snapshot into `nodes`. `*count` holds the capacity of `nodes` on entry (never
    // more are written) and the number copied on return.
    virtual Status getDeviceInfoList(DeviceListNode *nodes, quint32 *count) = 0;

    // `how` is kOpenBySerialNumber; `key` the serial number.
    virtual Status openEx(const QByteArray &key, quint32 how, Handle *handle) = 0;
    virtual Status close(Handle handle) = 0;

    virtual Status setBaudRate(Handle handle, quint32 baudRate) = 0;
    virtual Status setDataCharacteristics(Handle handle, quint8 wordLength, quint8 stopBits,
                                          quint8 parity) = 0;
    virtual Status setFlowControl(Handle handle, quint16 flowControl, quint8 xon, quint8 xoff) = 0;
    virtual Status setBitMode(Handle handle, quint8 mask, quint8 mode) = 0;
    // Signals `event` whenever a received character arrives (mask kEventRxChar). The event must
    // outlive the handle.
    virtual Status setEventNotification(Handle handle, quint32 eventMask, ReceiveEvent *event) = 0;
    virtual Status setLatencyTimer(Handle handle, quint8 latencyMs) = 0;

    // Received bytes waiting to be read; never blocks.
    virtual Status getQueueStatus(Handle handle, quint32 *rxBytes) = 0;
    virtual Status read(Handle handle, void *buffer, quint32 bytesToRead, quint32 *bytesRead) = 0;
    virtual Status write(Handle handle, const void *buffer, quint32 bytesToWrite,
                         quint32 *bytesWritten) = 0;
};

// The backend the program uses: one installed with installDefaultFtdiApi, otherwise the first
// that works of the D2XX library, libftdi1 and an empty simulated cable set.
[[nodiscard]] FtdiApi &defaultFtdiApi();
// Makes `api` the default (the simulator and demos install their simulated cables this way);
// nullptr returns to the automatic choice. The caller keeps ownership.
void installDefaultFtdiApi(FtdiApi *api);

} // namespace ftdi
