#include "streamenumeration.h"

#include "app/log.h"
#include "device/ftdicabledevicestream.h"
#include "device/usbcdcdevicestream.h"
#include "platform/ftdi/ftdiapi.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>
#include <array>

namespace {

struct UsbCdcIdentifier
{
    quint16 vendorId;
    quint16 productId;
    SupportedModes modes;
};

constexpr std::array kUsbCdcIdentifiers{
    UsbCdcIdentifier{0x0483, 0xA3B8, SupportedModes::BootloaderOnly},
    UsbCdcIdentifier{0x0483, 0xA3C3, SupportedModes::ApplicationOnly},
    UsbCdcIdentifier{0x35CF, 0xF000, SupportedModes::BootloaderOnly},
    UsbCdcIdentifier{0x35CF, 0xF001, SupportedModes::ApplicationOnly},
    UsbCdcIdentifier{0x35CF, 0xF002, SupportedModes::ApplicationOnly},
    UsbCdcIdentifier{0x35CF, 0xF003, SupportedModes::BootloaderOnly},
    UsbCdcIdentifier{0x35CF, 0xF004, SupportedModes::BootloaderOnly},
    UsbCdcIdentifier{0x35CF, 0xF005, SupportedModes::BootloaderOnly},
    UsbCdcIdentifier{0x35CF, 0xF006, SupportedModes::BootloaderOnly},
    UsbCdcIdentifier{0x35CF, 0xF007, SupportedModes::BootloaderOnly},
};

struct ModeName
{
    const char *name;
    SupportedModes modes;
};

constexpr std::array kModeNames{
    ModeName{"bootloader", SupportedModes::BootloaderOnly},
    ModeName{"application", SupportedModes::ApplicationOnly},
    ModeName{"announced", SupportedModes::Announced},
};

const QString kCableCategory = QStringLiteral("FtdiCables");

std::unique_ptr<DeviceStream> makeUsbCdcStream(const QString &portName, SupportedModes modes)
{
    auto stream = std::make_unique<UsbCdcDeviceStream>(portName, modes);
    stream->identityText = QStringLiteral("Type: UsbCdc, portName = %1").arg(portName);
    return stream;
}

// An absolute path must exist; a bare name must be one the system lists. Otherwise the watch
// tick would keep a vanished port "present" forever.
bool isPresent(const ExplicitPort &port, const QList<SerialPortDescription> &systemPorts)
{
    if (QDir::isAbsolutePath(port.path))
        return QFileInfo::exists(port.path);
    return std::any_of(systemPorts.begin(), systemPorts.end(),
                       [&](const SerialPortDescription &p) { return p.portName == port.path; });
}

bool isNamedExplicitly(const SerialPortDescription &port, const QList<ExplicitPort> &explicitPorts)
{
    return std::any_of(explicitPorts.begin(), explicitPorts.end(), [&](const ExplicitPort &e) {
        return e.path == port.portName ||
               (!port.systemLocation.isEmpty() && e.path == port.systemLocation);
    });
}

std::vector<ftdi::DeviceListNode> readDeviceList(ftdi::FtdiApi &api)
{
    quint32 count = 0;
    if (api.createDeviceInfoList(&count) != ftdi::kOk || count == 0)
        return {};
    std::vector<ftdi::DeviceListNode> nodes(count);
    if (api.getDeviceInfoList(nodes.data(), &count) != ftdi::kOk)
        return {};
    nodes.resize(std::min<size_t>(count, nodes.size()));
    return nodes;
}

bool isOurCable(quint32 id, bool ftdiPidEnabled)
{
    if (ftdi::vendorIdOf(id) != ftdi::kFtdiVendorId)
        return false;
    const quint16 productId = ftdi::productIdOf(id);
    return productId == kCableProductId || (ftdiPidEnabled && productId == kFtdiDefaultProductId);
}

QString upperHex(quint64 value, int digits)
{
    return QStringLiteral("0x") +
           QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

} // namespace

QList<SerialPortDescription> systemSerialPorts()
{
    QList<SerialPortDescription> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        SerialPortDescription port{info.portName(), info.systemLocation(), {}, {}};
        if (info.hasVendorIdentifier())
            port.vendorId = info.vendorIdentifier();
        if (info.hasProductIdentifier())
            port.productId = info.productIdentifier();
        ports.append(port);
    }
    return ports;
}

std::optional<ExplicitPort> parseExplicitPort(const QString &text)
{
    const int comma = text.lastIndexOf(QLatin1Char(','));
    const QString path = (comma < 0 ? text : text.left(comma)).trimmed();
    if (path.isEmpty())
        return std::nullopt;
    if (comma < 0)
        return ExplicitPort{path, SupportedModes::Announced};
    const QString modeName = text.mid(comma + 1).trimmed().toLower();
    for (const ModeName &mode : kModeNames) {
        if (modeName == QLatin1String(mode.name))
            return ExplicitPort{path, mode.modes};
    }
    return std::nullopt;
}

std::optional<SupportedModes> usbCdcModes(quint16 vendorId, quint16 productId)
{
    for (const UsbCdcIdentifier &identifier : kUsbCdcIdentifiers) {
        if (identifier.vendorId == vendorId && identifier.productId == productId)
            return identifier.modes;
    }
    return std::nullopt;
}

std::vector<std::unique_ptr<DeviceStream>>
availableStreams(bool ftdiPidEnabled, ftdi::FtdiApi &ftdi, const QList<ExplicitPort> &explicitPorts,
                 const SerialPortLister &listPorts)
{
    std::vector<std::unique_ptr<DeviceStream>> streams;
    const QList<SerialPortDescription> systemPorts =
        listPorts ? listPorts() : QList<SerialPortDescription>{};

    for (const ExplicitPort &port : explicitPorts) {
        if (isPresent(port, systemPorts))
            streams.push_back(makeUsbCdcStream(port.path, port.modes));
    }

    for (const SerialPortDescription &port : systemPorts) {
        if (!port.vendorId || !port.productId || isNamedExplicitly(port, explicitPorts))
            continue;
        if (const auto modes = usbCdcModes(*port.vendorId, *port.productId))
            streams.push_back(makeUsbCdcStream(port.portName, *modes));
    }

    for (const ftdi::DeviceListNode &node : readDeviceList(ftdi)) {
        if (!isOurCable(node.id, ftdiPidEnabled))
            continue;
        const QByteArray serialNumber = ftdi::nodeSerialNumber(node);
        auto stream = std::make_unique<FtdiCableDeviceStream>(ftdi, serialNumber);
        stream->identityText = QStringLiteral("Type: FtdiCable, serialNumber = %1")
                                   .arg(QString::fromLatin1(serialNumber));
        streams.push_back(std::move(stream));
    }
    return streams;
}

void logFtdiCables(ftdi::FtdiApi &ftdi)
{
    log(kCableCategory, QStringLiteral("Connected cables detected:"));
    for (const ftdi::DeviceListNode &node : readDeviceList(ftdi)) {
        log(kCableCategory,
            QStringLiteral(
                "  VID: %1, PID: %2, Flags: %3, LocId: %4, ftHandle: %5, SN: %6, Desc: %7")
                .arg(upperHex(ftdi::vendorIdOf(node.id), 4),
                     upperHex(ftdi::productIdOf(node.id), 4), upperHex(node.flags, 2),
                     QString::number(node.locId), upperHex(quintptr(node.handle), 4),
                     QString::fromLatin1(ftdi::nodeSerialNumber(node)),
                     QString::fromLatin1(ftdi::nodeDescription(node))));
    }
}
