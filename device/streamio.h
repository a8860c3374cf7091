#pragma once

#include "device/devicestream.h"
#include "device/streamrelay.h"

#include <QByteArray>

#include <cstdint>
#include <functional>
#include <memory>

// Every read and write of one open stream, run on the device-IO thread in the order they were
// asked for. The connection numbers its writes; each batch of input is stamped with the number
// of the last write handed to the stream before the bytes were read, so that the connection
// can tell a reply to a command from input that was already there when the command went out.
// Reads and writes share one thread so that the stamp cannot race with the write it names.
class StreamIo : public std::enable_shared_from_this<StreamIo>
{
public:
    // Runs on the connection's thread (through the relay) with input and its stamp.
    using Deliver = std::function<void(const QByteArray &bytes, std::uint64_t readAfterWrite)>;

    // `lastWrite`: the number of the connection's last write before this stream.
    StreamIo(const std::shared_ptr<DeviceStream> &stream, std::shared_ptr<StreamRelay> relay,
             Deliver deliver, std::function<void()> writeFailed, std::uint64_t lastWrite);

    // From any thread, when the stream reports that bytes may be waiting. Input is delivered
    // also when nothing was read: the connection measures silence from the last report.
    void inputMayBeWaiting();
    // Hands `bytes` to the stream as write number `number` (from the connection's thread).
    // Input waiting at that moment is delivered first, stamped as read before this write.
    void write(QByteArray bytes, std::uint64_t number);

private:
    void read();
    void deliver(const QByteArray &bytes);

    const std::weak_ptr<DeviceStream> m_stream;
    const std::shared_ptr<StreamRelay> m_relay;
    const Deliver m_deliver;
    const std::function<void()> m_writeFailed;
    std::uint64_t m_lastWrite; // device-IO thread only
};
