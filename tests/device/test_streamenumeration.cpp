#include "app/log.h"
#include "device/ftdicabledevicestream.h"
#include "device/streamenumeration.h"
#include "device/usbcdcdevicestream.h"
#include "logassert.h"
#include "platform/ftdi/simulatedftdibackend.h"
#include "testregistry.h"

#include <QTemporaryFile>
#include <QTest>

using ftdi::SimulatedFtdiBackend;

Q_DECLARE_METATYPE(SupportedModes)

namespace {

constexpr int kNotListed = -1;

SerialPortLister listerOf(QList<SerialPortDescription> ports)
{
    return [ports] { return ports; };
}

QStringList identities(const std::vector<std::unique_ptr<DeviceStream>> &streams)
{
    QStringList texts;
    for (const auto &stream : streams)
        texts.append(stream->identityText);
    return texts;
}

} // namespace

// Which attached devices become streams, with which modes, and in which order.
class StreamEnumerationTest : public QObject
{
    Q_OBJECT

private slots:
    // Only the listed USB CDC identifiers make streams, with the modes they fix; a port
    // without both identifiers is never listed.
    void usbCdcIdentifiers_data()
    {
        QTest::addColumn<int>("vendorId");
        QTest::addColumn<int>("productId");
        QTest::addColumn<int>("expectedModes");
        QTest::newRow("0483:A3B8 bootloader") << 0x0483 << 0xA3B8 << 0;
        QTest::newRow("0483:A3C3 application") << 0x0483 << 0xA3C3 << 1;
        QTest::newRow("35CF:F000 bootloader") << 0x35CF << 0xF000 << 0;
        QTest::newRow("35CF:F001 application") << 0x35CF << 0xF001 << 1;
        QTest::newRow("35CF:F002 application") << 0x35CF << 0xF002 << 1;
        QTest::newRow("35CF:F005 bootloader") << 0x35CF << 0xF005 << 0;
        QTest::newRow("35CF:F007 bootloader") << 0x35CF << 0xF007 << 0;
        QTest::newRow("35CF:F008 foreign") << 0x35CF << 0xF008 << kNotListed;
        QTest::newRow("product of the other vendor") << 0x0483 << 0xF001 << kNotListed;
        QTest::newRow("no vendor id") << -1 << 0xA3C3 << kNotListed;
        QTest::newRow("no product id") << 0x0483 << -1 << kNotListed;
    }
    void usbCdcIdentifiers()
    {
        QFETCH(int, vendorId);
        QFETCH(int, productId);
        QFETCH(int, expectedModes);
        SerialPortDescription port{"ttyACM7", "/dev/ttyACM7", {}, {}};
        if (vendorId >= 0)
            port.vendorId = quint16(vendorId);
        if (productId >= 0)
            port.productId = quint16(productId);
        SimulatedFtdiBackend noCables;

        const auto streams = availableStreams(false, noCables, {}, listerOf({port}));
        if (expectedModes == kNotListed) {
            QVERIFY(streams.empty());
            return;
        }
        QCOMPARE(streams.size(), size_t(1));
        const auto *usb = dynamic_cast<const UsbCdcDeviceStream *>(streams[0].get());
        QVERIFY(usb);
        QCOMPARE(int(usb->supportedModes()), expectedModes);
        QCOMPARE(usb->portName(), QString("ttyACM7"));
        QCOMPARE(usb->identityText, QString("Type: UsbCdc, portName = ttyACM7"));
    }

    // Our cable's product id is always listed; the chip's default only when enabled.
    void cableProductIds_data()
    {
        QTest::addColumn<int>("productId");
        QTest::addColumn<bool>("ftdiPidEnabled");
        QTest::addColumn<bool>("listed");
        QTest::newRow("7C48") << 0x7C48 << false << true;
        QTest::newRow("7C48, default id enabled") << 0x7C48 << true << true;
        QTest::newRow("6015") << 0x6015 << false << false;
        QTest::newRow("6015, default id enabled") << 0x6015 << true << true;
        QTest::newRow("6001, default id enabled") << 0x6001 << true << false;
    }
    void cableProductIds()
    {
        QFETCH(int, productId);
        QFETCH(bool, ftdiPidEnabled);
        QFETCH(bool, listed);
        SimulatedFtdiBackend backend;
        backend.addCable("SN1", nullptr, quint16(productId));

        const auto streams = availableStreams(ftdiPidEnabled, backend, {}, listerOf({}));
        QCOMPARE(streams.size(), size_t(listed ? 1 : 0));
        if (listed) {
            const auto *cable = dynamic_cast<const FtdiCableDeviceStream *>(streams[0].get());
            QVERIFY(cable);
            QCOMPARE(cable->serialNumber(), QByteArray("SN1"));
            QCOMPARE(cable->identityText, QString("Type: FtdiCable, serialNumber = SN1"));
            QCOMPARE(cable->supportedModes(), SupportedModes::Announced);
        }
    }

    // Named ports first (when present), then USB CDC ports in the system's order, then cables
    // in device-list order. A port named explicitly is not listed a second time.
    void orderOfTheList()
    {
        QTemporaryFile pseudoTerminal;
        QVERIFY(pseudoTerminal.open());
        const QString present = pseudoTerminal.fileName();
        const QList<ExplicitPort> named{
            {present, SupportedModes::ApplicationOnly},
            {"/nonexistent/zx-port", SupportedModes::Announced},
            {"ttyUSB3", SupportedModes::BootloaderOnly},
            {"ttyUSB9", SupportedModes::BootloaderOnly},
        };
        const QList<SerialPortDescription> system{
            {"ttyACM1", "/dev/ttyACM1", 0x35CF, 0xF001},
            {"ttyUSB3", "/dev/ttyUSB3", 0x0483, 0xA3B8},
            {"ttyACM0", "/dev/ttyACM0", 0x0483, 0xA3B8},
        };
        SimulatedFtdiBackend backend;
        backend.addCable("B-CABLE", nullptr);
        backend.addCable("A-CABLE", nullptr);

        const auto streams = availableStreams(false, backend, named, listerOf(system));
        QCOMPARE(identities(streams), QStringList({
                                          "Type: UsbCdc, portName = " + present,
                                          "Type: UsbCdc, portName = ttyUSB3",
                                          "Type: UsbCdc, portName = ttyACM1",
                                          "Type: UsbCdc, portName = ttyACM0",
                                          "Type: FtdiCable, serialNumber = B-CABLE",
                                          "Type: FtdiCable, serialNumber = A-CABLE",
                                      }));
        QCOMPARE(streams[0]->supportedModes(), SupportedModes::ApplicationOnly);
        QCOMPARE(streams[1]->supportedModes(), SupportedModes::BootloaderOnly);
    }

    void parseExplicitPort_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("path");
        QTest::addColumn<SupportedModes>("modes");
        QTest::newRow("path alone")
            << "/dev/pts/4" << true << "/dev/pts/4" << SupportedModes::Announced;
        QTest::newRow("bootloader")
            << "COM7,bootloader" << true << "COM7" << SupportedModes::BootloaderOnly;
        QTest::newRow("application, spaces and case")
            << " ttyUSB0 , Application" << true << "ttyUSB0" << SupportedModes::ApplicationOnly;
        QTest::newRow("announced")
            << "/dev/ttyS1,announced" << true << "/dev/ttyS1" << SupportedModes::Announced;
        QTest::newRow("unknown mode")
            << "/dev/ttyS1,fast" << false << "" << SupportedModes::Announced;
        QTest::newRow("no path") << ",bootloader" << false << "" << SupportedModes::Announced;
        QTest::newRow("empty") << "" << false << "" << SupportedModes::Announced;
    }
    void parseExplicitPort()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(QString, path);
        QFETCH(SupportedModes, modes);
        const auto port = ::parseExplicitPort(text);
        QCOMPARE(port.has_value(), valid);
        if (valid) {
            QCOMPARE(port->path, path);
            QCOMPARE(port->modes, modes);
        }
    }

    // Same concrete kind and same key; a cable and a port never match, even with equal texts.
    void isSameDevice_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<bool>("same");
        QTest::newRow("cables, same serial") << "cable:SN1"
                                             << "cable:SN1" << true;
        QTest::newRow("cables, other serial") << "cable:SN1"
                                              << "cable:SN2" << false;
        QTest::newRow("ports, same name") << "port:COM3"
                                          << "port:COM3" << true;
        QTest::newRow("ports, other name") << "port:COM3"
                                           << "port:COM4" << false;
        QTest::newRow("cable and port, same key") << "cable:X"
                                                  << "port:X" << false;
        QTest::newRow("port and cable, same key") << "port:X"
                                                  << "cable:X" << false;
    }
    void isSameDevice()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(bool, same);
        SimulatedFtdiBackend backend;
        auto make = [&](const QString &kindAndKey) -> std::unique_ptr<DeviceStream> {
            const QString key = kindAndKey.section(':', 1);
            if (kindAndKey.startsWith("cable:"))
                return std::make_unique<FtdiCableDeviceStream>(backend, key.toLatin1());
            return std::make_unique<UsbCdcDeviceStream>(key, SupportedModes::Announced);
        };
        QCOMPARE(make(first)->isSameDevice(*make(second)), same);
    }

    void logFtdiCablesListsEveryDevice()
    {
        Log log;
        Log::install(&log);
        SimulatedFtdiBackend backend;
        backend.addCable("OPENCABLE", nullptr, 0x7C48, "Cable A");
        backend.addCable("0123456789ABCDEF", nullptr, 0x6015, "Cable B");
        ftdi::Handle handle = nullptr;
        QCOMPARE(backend.openEx("OPENCABLE", ftdi::kOpenBySerialNumber, &handle), ftdi::kOk);

        logFtdiCables(backend);
        backend.close(handle);
        Log::install(nullptr);
        QCOMPARE(loggedMessages(log, "FtdiCables"),
                 QStringList({
                     "Connected cables detected:",
                     "  VID: 0x0403, PID: 0x7C48, Flags: 0x01, LocId: 17, ftHandle: 0x0001, "
                     "SN: OPENCABLE, Desc: Cable A",
                     "  VID: 0x0403, PID: 0x6015, Flags: 0x00, LocId: 18, ftHandle: 0x0000, "
                     "SN: 0123456789ABCDEF, Desc: Cable B",
                 }));
    }
};

ZX_REGISTER_TEST(StreamEnumerationTest);
#include "test_streamenumeration.moc"
