#include "app/log.h"
#include "device/usbcdcdevicestream.h"
#include "logassert.h"
#include "testregistry.h"

#include <QMutex>
#include <QTest>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

const QString kCategory = QStringLiteral("UsbStream");

// The far end of a pseudo-terminal: the stream opens the terminal side as its serial port.
class PseudoTerminal
{
public:
    PseudoTerminal()
    {
        m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_master >= 0 && grantpt(m_master) == 0 && unlockpt(m_master) == 0)
            m_portPath = QString::fromLocal8Bit(ptsname(m_master));
    }
    ~PseudoTerminal()
    {
        if (m_master >= 0)
            ::close(m_master);
    }
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    [[nodiscard]] QString portPath() const { return m_portPath; }
    bool send(const QByteArray &bytes)
    {
        return ::write(m_master, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }
    QByteArray receiveAvailable()
    {
        char buffer[256];
        const ssize_t count = ::read(m_master, buffer, sizeof buffer);
        return count > 0 ? QByteArray(buffer, int(count)) : QByteArray();
    }

private:
    int m_master = -1;
    QString m_portPath;
};

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

private:
    std::unique_ptr<Log> m_log;
};

ZX_REGISTER_TEST(UsbCdcDeviceStreamTest);
#include "test_usbcdcdevicestream.moc"
