#include "device/deviceconnection.h"

#include "app/log.h"
#include "device/deviceiothread.h"
#include "device/frames.h"
#include "device/streamenumeration.h"
#include "device/streamio.h"
#include "device/streamrelay.h"
#include "platform/ftdi/ftdiapi.h"

#include <QMutex>
#include <QWaitCondition>

#include <chrono>

namespace {

const QString kCategory = QStringLiteral("DeviceConnection");

std::uint64_t steadyClockMs()
{
    using namespace std::chrono;
    return std::uint64_t(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void configureTimer(QTimer &timer, int intervalMs)
{
    timer.setSingleShot(true);
    timer.setInterval(intervalMs);
}

// Runs the stream's close on the device-IO thread, where its open and writes ran, and waits
// for it: work queued there before runs first, and the caller may delete the stream afterwards.
bool closeOnIoThread(const std::shared_ptr<DeviceStream> &stream)
{
    QThread *io = deviceio::thread();
    if (QThread::currentThread() == io || !io->isRunning())
        return stream->close();
    QMutex mutex;
    QWaitCondition closed;
    bool finished = false;
    bool ok = false;
    deviceio::post(deviceio::context(), [&] {
        const bool result = stream->close();
        QMutexLocker locker(&mutex);
        ok = result;
        finished = true;
        closed.wakeAll();
    });
    QMutexLocker locker(&mutex);
    while (!finished)
        closed.wait(&mutex);
    return ok;
}

DeviceStreamEnumerator systemStreamEnumerator()
{
    return [](bool ftdiPidEnabled) {
        return availableStreams(ftdiPidEnabled, ftdi::defaultFtdiApi());
    };
}

std::function<void()> systemCableLogger()
{
    return [] { logFtdiCables(ftdi::defaultFtdiApi()); };
}

} // namespace

DeviceConnection::DeviceConnection(Options options, QObject *parent)
    : QObject(parent)
    , m_timings(options.timings)
    , m_enumerator(options.enumerator ? std::move(options.enumerator) : systemStreamEnumerator())
    , m_cableLogger(options.cableLogger ? std::move(options.cableLogger) : systemCableLogger())
    , m_clockMs(options.clockMs ? std::move(options.clockMs) : steadyClockMs)
    , m_finder(
          FrameFinder::Callbacks{[this] { return awaitedReply(); },
                                 [this](DeviceMode mode, std::optional<std::uint8_t> level) {
                                     handleAnnouncement(mode, level);
                                 },
                                 [this](DeviceConnectionError code, const QByteArray &payload) {
                                     finishCurrentCommand(code, payload);
                                 }})
{
    qRegisterMetaType<FtStatus>("FT_STATUS");

    configureTimer(m_ackTimer, m_timings.ackTimeoutMs);
    configureTimer(m_resetTimer, m_timings.inputResetMs);
    configureTimer(m_modeSwitchTimer, m_timings.modeSwitchTimeoutMs);
    configureTimer(m_announcementTimer, m_timings.announcementSettleMs);
    configureTimer(m_switchGuardTimer, m_timings.modeSwitchTimeoutMs);
    m_repowerTimer.setSingleShot(true);
    connect(&m_ackTimer, &QTimer::timeout, this, &DeviceConnection::handleAckTimeout);
    connect(&m_resetTimer, &QTimer::timeout, this, &DeviceConnection::handleResetTimeout);
    connect(&m_modeSwitchTimer, &QTimer::timeout, this, &DeviceConnection::handleModeSwitchTimeout);
    connect(&m_announcementTimer, &QTimer::timeout, this, [this] { setMode(m_announcedMode); });
    connect(&m_switchGuardTimer, &QTimer::timeout, this,
            [this] { finishPendingSwitch(m_switchCommandError); });
    connect(&m_repowerTimer, &QTimer::timeout, this, [this] {
        if (isOpen())
            powerOn({});
    });

    m_powerThread.setObjectName(QStringLiteral("ZanProg power"));
    m_powerContext = new QObject;
    m_powerContext->moveToThread(&m_powerThread);
    m_powerThread.start(QThread::InheritPriority);

    connect(this, &DeviceConnection::errorOccurred, this, &DeviceConnection::handleError);
}

DeviceConnection::~DeviceConnection()
{
    // Whoever still waits is told, exactly once, that no answer will come.
    disconnect(m_switchConnection);
    closeStream();
    clearCommandQueue();
    if (Done done = std::exchange(m_pendingSwitch, {}))
        deviceio::defer([done] { done(DeviceConnectionError::NoReply); });

    // Power switching already queued still runs and reports before the thread ends.
    QMetaObject::invokeMethod(
        m_powerContext, [] {}, Qt::BlockingQueuedConnection);
    m_powerThread.quit();
    m_powerThread.wait();
    delete m_powerContext;
}

QString DeviceConnection::errorString(DeviceConnectionError error)
{
    return deviceConnectionErrorString(error);
}

void DeviceConnection::open(std::unique_ptr<DeviceStream> stream, std::function<void(bool)> done)
{
    if (!stream) {
        if (done)
            deviceio::defer([done] { done(false); });
        return;
    }
    // Work for the old stream may still be queued on the device-IO thread; closing it there
    // first lets that work finish.
    if (m_stream)
        close();

    m_stream = std::shared_ptr<DeviceStream>(std::move(stream));
    m_relay = std::make_shared<StreamRelay>(this);
    m_io = std::make_shared<StreamIo>(
        m_stream, m_relay,
        [this](const QByteArray &bytes, std::uint64_t readAfterWrite) {
            receive(bytes, readAfterWrite);
        },
        [this] { emit errorOccurred(kStreamIoErrorStatus); }, m_writesIssued);
    m_openDone = std::move(done);
    // The stream owns its callback: a weak reference, or the two would keep each other.
    m_stream->dataCallback = [io = std::weak_ptr<StreamIo>(m_io)] {
        if (const std::shared_ptr<StreamIo> alive = io.lock())
            alive->inputMayBeWaiting();
    };
    deviceio::post(deviceio::context(), [this, stream = m_stream, relay = m_relay] {
        const bool ok = stream->open();
        relay->post([this, ok] { handleOpened(ok); });
    });
}

void DeviceConnection::handleOpened(bool ok)
{
    std::function<void(bool)> done = std::exchange(m_openDone, {});
    m_lastOpenFailure = ok ? StreamOpenFailure{}
                           : StreamOpenFailure{m_stream->openFailure, m_stream->openDeniedAccess,
                                               m_stream->openInUse};
    if (!ok && m_lastOpenFailure.reason.isEmpty())
        m_lastOpenFailure.reason = tr("%1 could not be opened.").arg(m_stream->description());
    if (!ok) {
        m_relay->detach();
        m_stream.reset();
        m_io.reset();
    } else {
        emit isOpenChanged();
        switch (m_stream->supportedModes()) {
        case SupportedModes::BootloaderOnly:
            m_modeSwitchTimer.stop();
            setMode(DeviceMode::Bootloader);
            break;
        case SupportedModes::ApplicationOnly:
            m_modeSwitchTimer.stop();
            setMode(DeviceMode::FSK);
            break;
        case SupportedModes::Announced:
            break;
        }
    }
    if (done)
        done(ok);
}

bool DeviceConnection::closeStream()
{
    if (!m_stream)
        return true;
    m_relay->detach();
    const bool ok = closeOnIoThread(m_stream);
    m_stream.reset();
    m_io.reset();
    // Nothing of the old link may act on a later one: its partial input, its announced mode
    // still settling, its power coming back.
    m_finder.clear();
    m_resetTimer.stop();
    m_announcementTimer.stop();
    m_repowerTimer.stop();
    if (std::function<void(bool)> done = std::exchange(m_openDone, {}))
        deviceio::defer([done] { done(false); });
    return ok;
}

bool DeviceConnection::close()
{
    if (!m_stream)
        return true;
    const bool ok = closeStream();
    clearCommandQueue();
    // A device restarting into its other mode drops off some links; the mode-switch timeout
    // decides then.
    if (m_mode != DeviceMode::Switching)
        setMode(DeviceMode::Unknown);
    emit isOpenChanged();
    return ok;
}

void DeviceConnection::clearFaulted()
{
    if (!m_faulted)
        return;
    m_faulted = false;
    emit isFaultedChanged();
}

void DeviceConnection::write(const QByteArray &bytes)
{
    if (!m_io)
        return;
    m_io->write(bytes, ++m_writesIssued);
}

void DeviceConnection::handleError(FtStatus error)
{
    if (!m_stream)
        return;
    // A cable pulled mid-transfer ends up here; closing lets the device-watch tick find it again.
    log(kCategory, QStringLiteral("Stream fault %1, closing the connection").arg(error));
    if (!m_faulted) {
        m_faulted = true;
        emit isFaultedChanged();
    }
    close();
}

void DeviceConnection::setMode(DeviceMode mode)
{
    m_mode = mode;
    emit modeSelected();
}

void DeviceConnection::handleDataReceived(const QByteArray &data)
{
    receive(data, m_writesIssued);
}

void DeviceConnection::receive(const QByteArray &data, std::uint64_t readAfterWrite)
{
    m_resetTimer.start(m_timings.inputResetMs);
    m_finder.feed(data, m_mode, readAfterWrite);
}

void DeviceConnection::handleResetTimeout()
{
    log(kCategory, QStringLiteral("Clearing inputBuffer and throwaway"));
    m_finder.clear();
    if (m_stream)
        m_stream->resetEchoCount();
}

void DeviceConnection::handleAnnouncement(DeviceMode announced, std::optional<std::uint8_t> level)
{
    if (level)
        m_announcedLevel = *level;
    write(announced == DeviceMode::Bootloader
              ? frames::buildBootloaderFrame(frames::kBootloaderAnnouncementAnswer, 0)
              : frames::buildFskFrame(frames::kFskAnnouncementAnswerType));
    m_lastActivity = now();
    clearCommandQueue();
    m_modeSwitchTimer.stop();
    // A device repeats its announcement until answered; one settling delay covers them all.
    if (!m_announcementTimer.isActive() || m_announcedMode != announced) {
        m_announcedMode = announced;
        m_announcementTimer.start(m_timings.announcementSettleMs);
    }
}

void DeviceConnection::handleModeSwitchTimeout()
{
    clearCommandQueue();
    setMode(DeviceMode::Unknown);
}
