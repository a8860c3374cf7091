#pragma once

#include "device/deviceconnection.h"
#include "device/expected.h"

#include <QByteArray>
#include <QPointer>

#include <coroutine>

// Queues one command on the connection and resumes the awaiting routine with the reply payload
// or the error code. The connection completes every command exactly once, also when it is
// destroyed (with NoReply); a routine resumed with an error must then not touch it.
class WriteCommandAwaitable
{
public:
    WriteCommandAwaitable(DeviceConnection &connection, QByteArray packet,
                          std::uint8_t expectedType, DeviceConnection::CommandOptions options = {})
        : m_connection(&connection)
        , m_packet(std::move(packet))
        , m_expectedType(expectedType)
        , m_options(options)
    {}

    bool await_ready() const noexcept { return false; }

    bool await_suspend(std::coroutine_handle<> routine)
    {
        if (!m_connection)
            return false;
        if (!m_options.expectsReply) {
            m_connection->writeCommand(m_packet, m_expectedType, {}, m_options);
            m_result = QByteArray();
            return false;
        }
        m_connection->writeCommand(
            m_packet, m_expectedType,
            [this, routine](DeviceConnectionError code, const QByteArray &payload) {
                if (code == DeviceConnectionError::NoError)
                    m_result = payload;
                else
                    m_result = Unexpected(code);
                routine.resume();
            },
            m_options);
        return true;
    }

    Expected<QByteArray> await_resume() { return std::move(m_result); }

private:
    QPointer<DeviceConnection> m_connection;
    QByteArray m_packet;
    std::uint8_t m_expectedType;
    DeviceConnection::CommandOptions m_options;
    Expected<QByteArray> m_result = Unexpected(DeviceConnectionError::NoReply);
};
