#include "ftdicabledevicestream.h"

#include "app/log.h"
#include "device/receivelistener.h"
#include "platform/deviceaccesshint.h"

#include <algorithm>

namespace {

const QString kCategory = QStringLiteral("FtdiCables");

} // namespace

FtdiCableDeviceStream::FtdiCableDeviceStream(ftdi::FtdiApi &api, QByteArray serialNumber)
    : m_api(api)
    , m_serialNumber(std::move(serialNumber))
{}

FtdiCableDeviceStream::~FtdiCableDeviceStream()
{
    close();
    // A listener left from a failed open.
    m_listener.reset();
}

QString FtdiCableDeviceStream::description() const
{
    return QStringLiteral("TX/RX Programming Cable TODO");
}

SupportedModes FtdiCableDeviceStream::supportedModes() const
{
    return SupportedModes::Announced;
}

bool FtdiCableDeviceStream::open()
{
    // The previous listener is stopped without holding the mutex: it may be inside dataCallback,
    // waiting for the mutex in readAll().
    std::unique_ptr<ReceiveListener> previous;
    {
        QMutexLocker lock(&mutex);
        if (m_handle)
            return false;
        previous = std::move(m_listener);
    }
    previous.reset();

    QMutexLocker lock(&mutex);
    if (m_handle)
        return false; // opened meanwhile from another thread
    m_listener = std::make_unique<ReceiveListener>([this] {
        if (dataCallback)
            dataCallback();
    });

    ftdi::Status status = m_api.openEx(m_serialNumber, ftdi::kOpenBySerialNumber, &m_handle);
    if (status == ftdi::kOk)
        status = configure();
    if (status == ftdi::kOk) {
        openFailure.clear();
        openDeniedAccess = false;
        return true;
    }

    openDeniedAccess = status == ftdi::kAccessDenied;
    openFailure =
        openDeniedAccess
            ? QStringLiteral("The programming cable %1 could not be opened: access denied.")
                  .arg(QString::fromLatin1(m_serialNumber))
            : QStringLiteral("The programming cable %1 could not be opened (status %2); it "
                             "may be in use by another program.")
                  .arg(QString::fromLatin1(m_serialNumber))
                  .arg(status);
    log(kCategory, QStringLiteral("Failed to open FTDI device %1 (status %2)")
                       .arg(QString::fromLatin1(m_serialNumber))
                       .arg(status));
    if (status == ftdi::kAccessDenied && !deviceAccessHint().isEmpty())
        log(kCategory, deviceAccessHint());
    if (m_handle)
        m_api.close(m_handle);
    m_handle = nullptr;
    return false;
}

ftdi::Status FtdiCableDeviceStream::configure()
{
    using namespace ftdi;
    if (Status status = m_api.setBaudRate(m_handle, kBaudRate))
        return status;
    if (Status status =
            m_api.setDataCharacteristics(m_handle, kWordLength8Bits, kStopBits1, kParityNone))
        return status;
    if (Status status = m_api.setFlowControl(m_handle, kFlowNone, 0, 0))
        return status;
    if (Status status = m_api.setBitMode(m_handle, kPowerOffMask, kBitModeCbusBitBang))
        return status;
    if (Status status = m_api.setEventNotification(m_handle, kEventRxChar, m_listener->event()))
        return status;
    return m_api.setLatencyTimer(m_handle, kLatencyTimerMs);
}

bool FtdiCableDeviceStream::isOpen() const
{
    QMutexLocker lock(&mutex);
    return m_handle != nullptr;
}

bool FtdiCableDeviceStream::close()
{
    std::unique_ptr<ReceiveListener> listener;
    bool closed = false;
    {
        QMutexLocker lock(&mutex);
        if (!m_handle)
            return true;
        closed = m_api.close(m_handle) == ftdi::kOk;
        m_handle = nullptr;
        log(kCategory, closed ? QStringLiteral("Closed FTDI device")
                              : QStringLiteral("Failed to close FTDI device"));
        listener = std::move(m_listener);
    }
    // Outside the mutex, for the same reason as in open().
    listener.reset();
    return closed;
}

QByteArray FtdiCableDeviceStream::readAll()
{
    QMutexLocker lock(&mutex);
    QByteArray bytes;
    quint32 waiting = 0;
    if (m_handle && m_api.getQueueStatus(m_handle, &waiting) == ftdi::kOk && waiting > 0) {
        bytes.resize(int(waiting));
        quint32 received = 0;
        if (m_api.read(m_handle, bytes.data(), waiting, &received) == ftdi::kOk)
            bytes.truncate(int(std::min(received, waiting)));
        else
            bytes.clear();
    }
    log(kCategory, QStringLiteral("Read %1 byte(s) from device").arg(bytes.size()));
    log(kCategory, QString::fromLatin1(bytes.toHex()));

    if (m_echoCount > 0) {
        const int echo = std::min(m_echoCount, int(bytes.size()));
        bytes.remove(0, echo);
        m_echoCount -= echo;
        log(kCategory, QStringLiteral("Threw away %1 byte(s)").arg(echo));
    }
    return bytes;
}

bool FtdiCableDeviceStream::write(const char *data, int length)
{
    QMutexLocker lock(&mutex);
    if (length < 0 || (!data && length > 0))
        return false;
    // Input pending before our bytes go out cannot be a reply to them.
    (void)readAll();

    int written = 0;
    int calls = 0;
    bool ok = true;
    while (written < length) {
        quint32 count = 0;
        ++calls;
        const ftdi::Status status =
            m_handle ? m_api.write(m_handle, data + written, quint32(length - written), &count)
                     : ftdi::kInvalidHandle;
        // A call that succeeds without taking a byte would repeat forever: count it a failure.
        if (status != ftdi::kOk || count == 0) {
            ok = false;
            break;
        }
        written += int(std::min<quint32>(count, quint32(length - written)));
    }
    log(kCategory,
        QStringLiteral("Wrote %1 byte(s) to device in %2 call(s)").arg(written).arg(calls));
    log(kCategory, QString::fromLatin1(QByteArray::fromRawData(data, length).toHex()));
    m_echoCount += written;
    return ok;
}

void FtdiCableDeviceStream::resetEchoCount()
{
    QMutexLocker lock(&mutex);
    m_echoCount = 0;
}

int FtdiCableDeviceStream::echoCount() const
{
    QMutexLocker lock(&mutex);
    return m_echoCount;
}

bool FtdiCableDeviceStream::powerOn()
{
    return setPowerMask(kPowerOnMask);
}

bool FtdiCableDeviceStream::powerOff()
{
    return setPowerMask(kPowerOffMask);
}

bool FtdiCableDeviceStream::setPowerMask(quint8 mask)
{
    QMutexLocker lock(&mutex);
    return m_handle && m_api.setBitMode(m_handle, mask, ftdi::kBitModeCbusBitBang) == ftdi::kOk;
}

bool FtdiCableDeviceStream::isSameDevice(const DeviceStream &other) const
{
    const auto *cable = dynamic_cast<const FtdiCableDeviceStream *>(&other);
    return cable && cable->m_serialNumber == m_serialNumber;
}
