#pragma once

#include "device/checksum.h"
#include "device/saxfile.h"

#include <QByteArray>
#include <QList>

#include <cstdint>

// Firmware files built in the test, so that every byte a case depends on is visible there.
namespace saxtest {

inline QByteArray signature()
{
    return QByteArray::fromHex("89534158 0d0a1a0a");
}

// A record with a valid checksum; `fill` tells records apart in what the device receives.
inline QByteArray record(std::uint8_t command, char fill = 'r')
{
    QByteArray bytes(1, char(command));
    bytes.append(QByteArray(saxfile::kRecordDataBytes, fill));
    appendChecksum(bytes);
    return bytes;
}

// `serial` (version 2 only) is padded with NUL bytes to its 30.
inline QByteArray header(int version = 1, int listMode = 0, const QByteArray &products = {},
                         const QByteArray &serial = {})
{
    QByteArray bytes = signature();
    bytes.append(char(version));
    bytes.append(char(listMode));
    bytes.append(char(products.size()));
    bytes.append(products);
    if (version == 2)
        bytes.append(serial.leftJustified(saxfile::kSerialFieldBytes, '\0', true));
    return bytes;
}

inline QByteArray file(const QByteArray &header, const QList<QByteArray> &records)
{
    QByteArray bytes = header;
    for (const QByteArray &r : records)
        bytes.append(r);
    return bytes;
}

} // namespace saxtest
