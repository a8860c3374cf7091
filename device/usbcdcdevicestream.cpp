#include "usbcdcdevicestream.h"

#include "app/log.h"
#include "platform/deviceaccesshint.h"

#include <QSerialPort>
#include <QThread>

namespace {

const QString kCategory = QStringLiteral("UsbStream");

QString serialPortErrorLine(const QSerialPort &port)
{
    return QStringLiteral("QSerialPort error: %1").arg(int(port.error()));
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
        return true;
    }

    log(kCategory, serialPortErrorLine(*m_port));
    openDeniedAccess = m_port->error() == QSerialPort::PermissionError;
    openFailure =
        QStringLiteral("%1 could not be opened: %2").arg(m_portName, m_port->errorString());
    if (m_port->error() == QSerialPort::PermissionError && !deviceAccessHint().isEmpty()) {
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
