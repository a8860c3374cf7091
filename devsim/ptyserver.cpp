#include "devsim/ptyserver.h"

#include "devsim/devicesimulator.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace devsim {

namespace {

constexpr int kReadChunkBytes = 4096;
constexpr int kPathBytes = 256;

QString systemError(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(strerror(errno)));
}

// Opens the slave side without becoming its controlling process and without waiting.
int openSlave(const QByteArray &path)
{
    return ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
}

// The line discipline must pass bytes unchanged both ways before any host has set up the
// port: with the default echo, the device would hear its own announcements.
bool makeRaw(const QByteArray &slavePath)
{
    const int fd = openSlave(slavePath);
    if (fd < 0)
        return false;
    termios settings{};
    bool ok = tcgetattr(fd, &settings) == 0;
    if (ok) {
        cfmakeraw(&settings);
        ok = tcsetattr(fd, TCSANOW, &settings) == 0;
    }
    ::close(fd);
    return ok;
}

// What the device sent while nobody listened would greet the next host as stale input.
void discardPendingInput(const QByteArray &slavePath)
{
    const int fd = openSlave(slavePath);
    if (fd < 0)
        return;
    tcflush(fd, TCIOFLUSH);
    ::close(fd);
}

} // namespace

PtyServer::PtyServer(std::shared_ptr<DeviceSimulator> simulator, Timings timings, QObject *parent)
    : QObject(parent)
    , m_simulator(std::move(simulator))
    , m_timings(timings)
{
    m_hostPollTimer.setInterval(m_timings.hostPollIntervalMs);
    connect(&m_hostPollTimer, &QTimer::timeout, this, &PtyServer::pollForHost);
    m_replugTimer.setSingleShot(true);
    m_replugTimer.setInterval(m_timings.replugDelayMs);
    connect(&m_replugTimer, &QTimer::timeout, this, &PtyServer::replug);
}

PtyServer::~PtyServer()
{
    m_deliveryOpen = false;
    m_simulator->disconnectHost();
    closeTerminal();
}

std::expected<QString, QString> PtyServer::start()
{
    m_simulator->setPowered(false);
    m_simulator->connectHost([this](const QByteArray &bytes) { deliverToHost(bytes); },
                             [this] { deviceGone(); });
    return openTerminal();
}

std::expected<QString, QString> PtyServer::openTerminal()
{
    const int fd = posix_openpt(O_RDWR | O_NOCTTY);
    if (fd < 0)
        return std::unexpected(systemError("posix_openpt"));
    char path[kPathBytes] = {};
    if (grantpt(fd) != 0 || unlockpt(fd) != 0 || ptsname_r(fd, path, sizeof path) != 0) {
        const QString message = systemError("cannot set up the pseudo-terminal");
        ::close(fd);
        return std::unexpected(message);
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    fcntl(fd, F_SETFD, FD_CLOEXEC);
    if (!makeRaw(path)) {
        const QString message = systemError("cannot put the terminal into raw mode");
        ::close(fd);
        return std::unexpected(message);
    }
    {
        QMutexLocker lock(&m_masterMutex);
        m_masterFd = fd;
    }
    m_portPath = QString::fromLocal8Bit(path);
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    m_notifier->setEnabled(false);
    connect(m_notifier, &QSocketNotifier::activated, this, &PtyServer::readFromHost);
    m_hostPollTimer.start();
    return m_portPath;
}

void PtyServer::closeTerminal()
{
    m_hostPollTimer.stop();
    delete m_notifier;
    m_notifier = nullptr;
    QMutexLocker lock(&m_masterMutex);
    if (m_masterFd >= 0)
        ::close(m_masterFd);
    m_masterFd = -1;
}

// Until a host opens the slave side, reading the master side fails with EIO. A readable
// notifier would fire on that without end, so presence is polled instead.
void PtyServer::pollForHost()
{
    char buffer[kReadChunkBytes];
    const ssize_t count = ::read(m_masterFd, buffer, sizeof buffer);
    if (count < 0 && errno != EAGAIN && errno != EINTR)
        return;
    m_hostPollTimer.stop();
    setHostPresent(true);
    if (count > 0)
        m_simulator->writeFromHost(QByteArray(buffer, int(count)));
    m_notifier->setEnabled(true);
}

void PtyServer::readFromHost()
{
    char buffer[kReadChunkBytes];
    for (;;) {
        const ssize_t count = ::read(m_masterFd, buffer, sizeof buffer);
        if (count > 0) {
            m_simulator->writeFromHost(QByteArray(buffer, int(count)));
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && errno == EAGAIN)
            return;
        // EIO: the last host closed the port.
        m_notifier->setEnabled(false);
        setHostPresent(false);
        discardPendingInput(m_portPath.toLocal8Bit());
        m_hostPollTimer.start();
        return;
    }
}

void PtyServer::setHostPresent(bool present)
{
    if (m_hostPresent == present)
        return;
    m_hostPresent = present;
    m_deliveryOpen = present;
    m_simulator->setPowered(present);
    emit hostPresentChanged(present);
}

// On the simulator's thread. A host that does not read fills the terminal's buffer; what does
// not fit is lost, as on a line nobody listens to.
void PtyServer::deliverToHost(const QByteArray &bytes)
{
    if (!m_deliveryOpen)
        return;
    QMutexLocker lock(&m_masterMutex);
    qsizetype written = 0;
    while (m_masterFd >= 0 && written < bytes.size()) {
        const ssize_t count =
            ::write(m_masterFd, bytes.constData() + written, size_t(bytes.size() - written));
        if (count > 0)
            written += count;
        else if (count < 0 && errno == EINTR)
            continue;
        else
            break;
    }
}

// On the simulator's thread; the terminal belongs to the main thread.
void PtyServer::deviceGone()
{
    m_deliveryOpen = false;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_hostPresent) {
                m_hostPresent = false;
                emit hostPresentChanged(false);
            }
            m_simulator->setPowered(false);
            closeTerminal();
            emit portRemoved();
            m_replugTimer.start();
        },
        Qt::QueuedConnection);
}

void PtyServer::replug()
{
    m_simulator->plugIn();
    const auto path = openTerminal();
    if (path)
        emit portChanged(*path);
    else
        emit failed(path.error());
}

} // namespace devsim
