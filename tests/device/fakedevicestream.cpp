#include "fakedevicestream.h"

void FakeDevice::setResponder(Responder responder)
{
    QMutexLocker locker(&m_mutex);
    m_responder = std::move(responder);
}

void FakeDevice::deliver(const QByteArray &bytes)
{
    QMutexLocker locker(&m_mutex);
    m_input.append(bytes);
    if (m_stream)
        m_stream->notify();
}

QList<QByteArray> FakeDevice::writes() const
{
    QMutexLocker locker(&m_mutex);
    return m_writes;
}

int FakeDevice::writeCount() const
{
    QMutexLocker locker(&m_mutex);
    return int(m_writes.size());
}

FakeDeviceStream::FakeDeviceStream(std::shared_ptr<FakeDevice> device)
    : m_device(std::move(device))
{
    QMutexLocker locker(&m_device->m_mutex);
    m_device->m_stream = this;
    m_device->streamAlive = true;
}

FakeDeviceStream::~FakeDeviceStream()
{
    QMutexLocker locker(&m_device->m_mutex);
    m_device->m_stream = nullptr;
    m_device->streamAlive = false;
}

void FakeDeviceStream::notify()
{
    if (m_open && dataCallback)
        dataCallback();
}

bool FakeDeviceStream::open()
{
    QMutexLocker locker(&m_device->m_mutex);
    m_device->openThread = QThread::currentThread();
    m_open = m_device->openSucceeds;
    return m_open;
}

bool FakeDeviceStream::isOpen() const
{
    QMutexLocker locker(&m_device->m_mutex);
    return m_open;
}

bool FakeDeviceStream::close()
{
    QMutexLocker locker(&m_device->m_mutex);
    m_device->closeThread = QThread::currentThread();
    m_device->closed = true;
    m_open = false;
    return true;
}

QByteArray FakeDeviceStream::readAll()
{
    QMutexLocker locker(&m_device->m_mutex);
    return std::exchange(m_device->m_input, {});
}

bool FakeDeviceStream::write(const char *data, int length)
{
    QMutexLocker locker(&m_device->m_mutex);
    if (!m_open || !m_device->writeSucceeds)
        return false;
    const QByteArray bytes(data, length);
    m_device->m_writes.append(bytes);
    if (m_device->m_responder) {
        const QByteArray answer = m_device->m_responder(bytes);
        if (!answer.isEmpty()) {
            m_device->m_input.append(answer);
            notify();
        }
    }
    return true;
}

void FakeDeviceStream::resetEchoCount()
{
    QMutexLocker locker(&m_device->m_mutex);
    ++m_device->echoResets;
}

bool FakeDeviceStream::powerOn()
{
    QMutexLocker locker(&m_device->m_mutex);
    m_device->powerThread = QThread::currentThread();
    ++m_device->powerOns;
    return m_device->powerSucceeds;
}

bool FakeDeviceStream::powerOff()
{
    QMutexLocker locker(&m_device->m_mutex);
    m_device->powerThread = QThread::currentThread();
    ++m_device->powerOffs;
    return m_device->powerSucceeds;
}

bool FakeDeviceStream::isSameDevice(const DeviceStream &other) const
{
    const auto *fake = dynamic_cast<const FakeDeviceStream *>(&other);
    return fake && fake->m_device->key == m_device->key;
}
