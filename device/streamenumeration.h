#pragma once

#include "device/devicestream.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace ftdi {
class FtdiApi;
}

// Product ids of the programming cable under the FTDI vendor id: our own, and the chip's factory
// default that some cables still carry (listed only when the user enables it).
constexpr quint16 kCableProductId = 0x7C48;
constexpr quint16 kFtdiDefaultProductId = 0x6015;

// A serial port as the system lists it.
struct SerialPortDescription
{
    QString portName;       // e.g. "ttyACM0", "COM4"
    QString systemLocation; // e.g. "/dev/ttyACM0"
    std::optional<quint16> vendorId;
    std::optional<quint16> productId;
};
using SerialPortLister = std::function<QList<SerialPortDescription>()>;

// QSerialPortInfo::availablePorts, in its order.
[[nodiscard]] QList<SerialPortDescription> systemSerialPorts();

// A serial port the user names (command line or settings) because its identifiers do not tell
// us it is a device of ours: a pseudo-terminal, an adapter with foreign identifiers.
struct ExplicitPort
{
    QString path;
    SupportedModes modes = SupportedModes::Announced;
};

// "PATH" or "PATH,MODE" with MODE one of bootloader, application, announced (the default).
[[nodiscard]] std::optional<ExplicitPort> parseExplicitPort(const QString &text);

// Which modes a USB CDC device with these identifiers reaches; nullopt for a foreign device.
[[nodiscard]] std::optional<SupportedModes> usbCdcModes(quint16 vendorId, quint16 productId);

// New, unopened streams for everything attached, in the order: the explicit ports that are
// present, the matching USB CDC ports in the lister's order, the matching cables in device-list
// order.
[[nodiscard]] std::vector<std::unique_ptr<DeviceStream>>
availableStreams(bool ftdiPidEnabled, ftdi::FtdiApi &ftdi,
                 const QList<ExplicitPort> &explicitPorts = {},
                 const SerialPortLister &listPorts = systemSerialPorts);

// Logs every device of the FTDI device list (debug menu).
void logFtdiCables(ftdi::FtdiApi &ftdi);
