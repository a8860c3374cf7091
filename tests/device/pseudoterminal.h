#pragma once

#include <QByteArray>
#include <QString>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <unistd.h>

// The far end of a pseudo-terminal: a stream opens the terminal side as its serial port, and
// the test plays the device on the other side.
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
        if (m_probe >= 0)
            ::close(m_probe);
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

    // A second descriptor on the terminal side, only to ask how many bytes wait there for the
    // port's reader. Must be made before the port is opened, which locks the terminal.
    bool openProbe()
    {
        m_probe = ::open(m_portPath.toLocal8Bit().constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
        return m_probe >= 0;
    }
    // Bytes sent that the port's reader has not taken yet; -1 without a probe.
    [[nodiscard]] int bytesWaitingAtPort() const
    {
        int count = 0;
        return m_probe >= 0 && ::ioctl(m_probe, FIONREAD, &count) == 0 ? count : -1;
    }

private:
    int m_master = -1;
    int m_probe = -1;
    QString m_portPath;
};
