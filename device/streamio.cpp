#include "device/streamio.h"

#include "device/deviceiothread.h"

#include <QThread>

StreamIo::StreamIo(const std::shared_ptr<DeviceStream> &stream, std::shared_ptr<StreamRelay> relay,
                   Deliver deliver, std::function<void()> writeFailed, std::uint64_t lastWrite)
    : m_stream(stream)
    , m_relay(std::move(relay))
    , m_deliver(std::move(deliver))
    , m_writeFailed(std::move(writeFailed))
    , m_lastWrite(lastWrite)
{}

void StreamIo::inputMayBeWaiting()
{
    // A USB CDC port reports on the device-IO thread itself, a cable from its listener thread,
    // and a device may answer while a write is still in progress there.
    if (QThread::currentThread() == deviceio::thread()) {
        read();
        return;
    }
    deviceio::post(deviceio::context(), [self = shared_from_this()] { self->read(); });
}

void StreamIo::read()
{
    const std::shared_ptr<DeviceStream> stream = m_stream.lock();
    if (!stream || !m_relay->isAttached())
        return;
    deliver(stream->readAll());
}

void StreamIo::write(QByteArray bytes, std::uint64_t number)
{
    deviceio::post(deviceio::context(), [self = shared_from_this(), bytes, number] {
        // Written even once the connection let go of the stream: it closes the stream after the
        // work queued before.
        const std::shared_ptr<DeviceStream> stream = self->m_stream.lock();
        if (!stream)
            return;
        const QByteArray waiting = stream->readAll();
        if (!waiting.isEmpty())
            self->deliver(waiting);
        // Set before the bytes go out: whatever is read from now on may answer them, even a
        // reply that arrives while the write is still in progress.
        self->m_lastWrite = number;
        if (!stream->write(bytes) && self->m_writeFailed)
            self->m_relay->post(self->m_writeFailed);
    });
}

void StreamIo::deliver(const QByteArray &bytes)
{
    m_relay->post([deliver = m_deliver, bytes, stamp = m_lastWrite] { deliver(bytes, stamp); });
}
