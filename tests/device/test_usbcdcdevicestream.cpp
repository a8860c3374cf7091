#include "app/log.h"
#include "device/usbcdcdevicestream.h"
#include "logassert.h"
#include "pseudoterminal.h"
#include "testregistry.h"

#include <QMutex>
#include <QTest>

namespace {

const QString kCategory = QStringLiteral("UsbStream");

} // namespace

// The USB CDC stream against a real pseudo-terminal, through QSerialPort.
class UsbCdcDeviceStreamTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_log = std::make_unique<Log>();
        Log::install(m_log.get());
    }
    void cleanup()
    {
        Log::install(nullptr);
        m_log.reset();
    }

    void exchangesBytesWithThePort()
    {
        PseudoTerminal terminal;
        QVERIFY(!terminal.portPath().isEmpty());
        UsbCdcDeviceStream stream(terminal.portPath(), SupportedModes::ApplicationOnly);
        QByteArray received;
        stream.dataCallback = [&] { received += stream.readAll(); };

        QVERIFY(stream.open());
        QVERIFY(stream.isOpen());
        QCOMPARE(loggedMessages(*m_log, kCategory).value(0),
                 QString("Opening port %1 with supported modes 1").arg(terminal.portPath()));

        m_log->clear();
        QVERIFY(stream.write(QByteArray("\x01ping", 5)));
        QCOMPARE(loggedMessages(*m_log, kCategory),
                 QStringList({"Wrote 5 byte(s) to device in 1 call(s)", "0170696e67"}));
        QByteArray atDevice;
        QTRY_COMPARE((atDevice += terminal.receiveAvailable()), QByteArray("\x01ping", 5));

        // readyRead reaches dataCallback, which reads through the stream.
        QVERIFY(terminal.send("pong"));
        QTRY_COMPARE(received, QByteArray("pong"));
        QVERIFY(loggedMessages(*m_log, kCategory).contains("Read 4 byte(s) from device"));

        QVERIFY(stream.close());
        QVERIFY(!stream.isOpen());
        QCOMPARE(loggedMessages(*m_log, kCategory).last(),
                 QString("Closing port %1 with supported modes 1").arg(terminal.portPath()));
        QVERIFY(stream.readAll().isEmpty());
        QVERIFY(!stream.write("late"));
    }

    // A port that does not open logs QSerialPort's error code and leaves the stream closed.
    void failedOpenLeavesTheStreamClosed()
    {
        UsbCdcDeviceStream stream("/dev/zx-no-such-port", SupportedModes::Announced);
        QVERIFY(!stream.open());
        QVERIFY(!stream.isOpen());
        QVERIFY(loggedMessages(*m_log, kCategory).contains("QSerialPort error: 1"));
    }

    // A port another program holds is reported as in use, not as a permission to grant.
    void portInUseIsNotAccessDenied()
    {
        PseudoTerminal terminal;
        UsbCdcDeviceStream holder(terminal.portPath(), SupportedModes::Announced);
        QVERIFY(holder.open());
        UsbCdcDeviceStream second(terminal.portPath(), SupportedModes::Announced);
        QVERIFY(!second.open());
        QVERIFY(second.openInUse);
        QVERIFY(!second.openDeniedAccess);
        QVERIFY2(second.openFailure.contains("in use by another program"),
                 qPrintable(second.openFailure));
        QVERIFY(holder.close());
        QVERIFY(second.open());
        QVERIFY(!second.openInUse);
    }

private:
    std::unique_ptr<Log> m_log;
};

ZX_REGISTER_TEST(UsbCdcDeviceStreamTest);
#include "test_usbcdcdevicestream.moc"
