#include "usbcdcdevicestream.h"

#include "app/log.h"
#include "platform/deviceaccesshint.h"

#include <QFileInfo>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QSignalBlocker>
#include <QThread>

namespace {

const QString kCategory = QStringLiteral("UsbStream");

QString serialPortErrorLine(const QSerialPort &port)
{
    return QStringLiteral("QSerialPort error: %1").arg(int(port.error()));
}

// Whether this user may read and write the port's device file.
bool isAccessible(const QString &portName)
{
    const QString location = QSerialPortInfo(portName).systemLocation();
    const QFileInfo file(location.isEmpty() ? portName : location);
    return file.exists() && file.isReadable() && file.isWritable();
}

} // namespace

UsbCdcDeviceStream::UsbCdcDeviceStream(QString portName, SupportedModes modes)
    : m_portName(std::move(portName))
    , m_modes(modes)
{}

UsbCdcDeviceStream::~UsbCdcDeviceStream()
{
    QMutexLocker lock(&mutex);
    releasePort();
}

QString UsbCdcDeviceStream::description() const
{
    return QStringLiteral("USB device");
}

SupportedModes UsbCdcDeviceStream::supportedModes() const
{
    return m_modes;
}

bool UsbCdcDeviceStream::open()
{
    QMutexLocker lock(&mutex);
    log(kCategory, QStringLiteral("Opening port %1 with supported modes %2")
                       .arg(m_portName)
                       .arg(int(m_modes)));
    releasePort();
    m_port = std::make_unique<QSerialPort>(m_portName);
    QObject::connect(m_port.get(), &QSerialPort::readyRead, m_port.get(), [this] {
        if (dataCallback)
            dataCallback();
    });
    if (m_port->open(QIODevice::ReadWrite)) {
        openFailure.clear();
        openDeniedAccess = false;
        openInUse = false;
        return true;
    }

    log(kCategory, serialPortErrorLine(*m_port));
    // QSerialPort reports a port that another program holds (its lock file, or an exclusive
    // open) with the same code as a refused permission; only the latter is the user's to grant.
    const bool refused = m_port->error() == QSerialPort::PermissionError;
    openInUse = refused && isAccessible(m_portName);
    openDeniedAccess = refused && !openInUse;
    openFailure =
        openInUse
            ? QStringLiteral("%1 could not be opened: it is in use by another program (%2)")
                  .arg(m_portName, m_port->errorString())
            : QStringLiteral("%1 could not be opened: %2").arg(m_portName, m_port->errorString());
    if (openDeniedAccess && !deviceAccessHint().isEmpty()) {
        log(kCategory, QStringLiteral("Cannot open %1: %2").arg(m_portName, m_port->errorString()));
        log(kCategory, deviceAccessHint());
    }
    // A port that did not open is no open stream.
    releasePort();
    return false;
}

bool UsbCdcDeviceStream::isOpen() const
{
    QMutexLocker lock(&mutex);
    return m_port != nullptr;
}

bool UsbCdcDeviceStream::close()
{
    QMutexLocker lock(&mutex);
    log(kCategory, QStringLiteral("Closing port %1 with supported modes %2")
                       .arg(m_portName)
                       .arg(int(m_modes)));
    releasePort();
    return true;
}

QByteArray UsbCdcDeviceStream::readAll()
{
    QMutexLocker lock(&mutex);
    if (m_port)
        collectArrivedInput();
    const QByteArray bytes = m_port ? m_port->readAll() : QByteArray();
    log(kCategory, QStringLiteral("Read %1 byte(s) from device").arg(bytes.size()));
    log(kCategory, QString::fromLatin1(bytes.toHex()));
    return bytes;
}

bool UsbCdcDeviceStream::write(const char *data, int length)
{
    QMutexLocker lock(&mutex);
    if (!m_port || length < 0 || (!data && length > 0))
        return false;
    qint64 written = 0;
    int calls = 0;
    bool ok = true;
    while (written < length) {
        ++calls;
        const qint64 count = m_port->write(data + written, length - written);
        if (count < 0) {
            log(kCategory, serialPortErrorLine(*m_port));
            ok = false;
            break;
        }
        // Nothing taken and no error would loop forever.
        if (count == 0) {
            ok = false;
            break;
        }
        written += count;
    }
    log(kCategory,
        QStringLiteral("Wrote %1 byte(s) to device in %2 call(s)").arg(written).arg(calls));
    log(kCategory, QString::fromLatin1(QByteArray::fromRawData(data, length).toHex()));
    return ok;
}

bool UsbCdcDeviceStream::isSameDevice(const DeviceStream &other) const
{
    const auto *port = dynamic_cast<const UsbCdcDeviceStream *>(&other);
    return port && port->m_portName == m_portName;
}

void UsbCdcDeviceStream::collectArrivedInput()
{
    // The port collects what the system has received only when its thread's event loop comes
    // round to it. Taking it here keeps "all bytes received" true, so that input that arrived
    // before a write is never read only after it. The port may only be polled on its own
    // thread; its signals are quiet meanwhile, as the bytes are read right here.
    if (m_port->thread() != QThread::currentThread())
        return;
    const QSignalBlocker quiet(m_port.get());
    if (!m_port->waitForReadyRead(0) && m_port->error() == QSerialPort::TimeoutError)
        m_port->clearError();
}

void UsbCdcDeviceStream::releasePort()
{
    if (!m_port)
        return;
    // Its socket notifiers may only be touched from the thread that opened it.
    if (m_port->thread() == QThread::currentThread())
        m_port.reset();
    else
        m_port.release()->deleteLater();
}
