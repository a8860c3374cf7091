// Mode switching, cable power and the idle ping of DeviceConnection.
#include "device/deviceconnection.h"
#include "device/deviceiothread.h"
#include "device/streamrelay.h"

namespace {

bool isSwitchable(DeviceMode mode)
{
    return mode == DeviceMode::Bootloader || mode == DeviceMode::FSK;
}

} // namespace

void DeviceConnection::rejectInvalidState(Done done)
{
    if (done)
        deviceio::defer([done] { done(DeviceConnectionError::InvalidState); });
}

void DeviceConnection::enterSwitching()
{
    m_mode = DeviceMode::Switching;
    // A device that restarts quickly announces itself right behind its reply, and that
    // announcement may be handled before the command's completion runs. Its mode is already
    // settling then, and no further announcement would come to stop the mode-switch timer: it
    // would drop the healthy link later, in the middle of whatever came next.
    if (!m_announcementTimer.isActive())
        m_modeSwitchTimer.start(m_timings.modeSwitchTimeoutMs);
    emit modeSelected();
}

void DeviceConnection::switchToMode(DeviceMode target, Done done)
{
    if (!done)
        done = [](DeviceConnectionError) {};
    if (m_pendingSwitch || !isSwitchable(target) || !isSwitchable(m_mode)) {
        rejectInvalidState(std::move(done));
        return;
    }
    if (m_mode == target) {
        deviceio::defer([done] { done(DeviceConnectionError::NoError); });
        return;
    }
    // Held from now on, so that a second switch is refused while the command is under way.
    m_pendingSwitch = std::move(done);
    QPointer<DeviceConnection> self(this);
    auto commandDone = [self](DeviceConnectionError code) {
        if (self)
            self->awaitSwitchEnd(code);
    };
    if (m_mode == DeviceMode::FSK)
        fskGo(commandDone);
    else
        go(commandDone);
}

void DeviceConnection::awaitSwitchEnd(DeviceConnectionError commandResult)
{
    if (!m_pendingSwitch)
        return;
    // The switch ends with the device's next announcement in whichever mode it runs, or with
    // the mode-switch timeout; callers read the mode.
    m_switchConnection = connect(this, &DeviceConnection::modeSelected, this,
                                 [this] { finishPendingSwitch(DeviceConnectionError::NoError); });
    if (commandResult == DeviceConnectionError::NoError)
        return;
    // The command failed, so the device may never announce anything. Without a link nothing
    // will come at all; otherwise give an announcement the usual time before reporting the
    // failure, rather than leaving the switch (and every later one) waiting for good.
    m_switchCommandError = commandResult;
    if (!isOpen())
        finishPendingSwitch(commandResult);
    else
        m_switchGuardTimer.start(m_timings.modeSwitchTimeoutMs);
}

void DeviceConnection::finishPendingSwitch(DeviceConnectionError code)
{
    disconnect(m_switchConnection);
    m_switchGuardTimer.stop();
    if (Done done = std::exchange(m_pendingSwitch, {}))
        deviceio::defer([done, code] { done(code); });
}

void DeviceConnection::powerOn(Done done)
{
    m_repowerTimer.stop();
    switchPower(true, std::move(done));
}

void DeviceConnection::powerOff(int repowerAfterMs, Done done)
{
    // A later explicit switch overrides a re-power still to come: the user may have turned
    // the power off for good.
    m_repowerTimer.stop();
    const bool switchable = m_stream && m_stream->supportsPower();
    switchPower(false, std::move(done));
    if (switchable && repowerAfterMs >= 0)
        m_repowerTimer.start(repowerAfterMs);
}

void DeviceConnection::switchPower(bool on, Done done)
{
    if (!m_stream || !m_stream->supportsPower()) {
        if (done)
            done(DeviceConnectionError::NoError);
        return;
    }
    QThread *caller = QThread::currentThread();
    deviceio::post(m_powerContext, [stream = m_stream, on, caller, done = std::move(done)] {
        const bool ok = on ? stream->powerOn() : stream->powerOff();
        if (!done)
            return;
        const DeviceConnectionError code =
            ok ? DeviceConnectionError::NoError : DeviceConnectionError::PowerSwitchFailed;
        deviceio::postToThread(caller, [done, code] { done(code); });
    });
}

void DeviceConnection::pingDevice()
{
    if (m_ackTimer.isActive() || now() - m_lastActivity < std::uint64_t(m_timings.pingIdleMs))
        return;
    if (m_mode == DeviceMode::Bootloader) {
        (void)pingBootloader();
    } else if (m_mode == DeviceMode::FSK) {
        QPointer<DeviceConnection> self(this);
        fskKeepAlive([self, relay = m_relay](DeviceConnectionError code) {
            if (self && code != DeviceConnectionError::NoError)
                self->pingFailed(DeviceMode::FSK, relay);
        });
    }
}

Task<bool> DeviceConnection::pingBootloader()
{
    QPointer<DeviceConnection> self(this);
    const std::shared_ptr<StreamRelay> relay = m_relay;
    const auto reply = co_await idRequestAsync(0);
    if (self && !reply)
        self->pingFailed(DeviceMode::Bootloader, relay);
    co_return true;
}

void DeviceConnection::pingFailed(DeviceMode pingedIn, const std::shared_ptr<StreamRelay> &relay)
{
    // The device is taken as gone until it announces itself again. A ping that failed because
    // the link was closed, or because the device just announced another mode, says nothing
    // about the device now on the link.
    if (relay != m_relay || m_mode != pingedIn || m_announcementTimer.isActive())
        return;
    clearCommandQueue();
    setMode(DeviceMode::Unknown);
}

QString DeviceConnection::statusText() const
{
    if (!m_stream)
        return tr("No Device Connected");
    if (m_mode == DeviceMode::Unknown)
        return tr("Cable Connected but No Device");
    // The programming cable is the only stream that switches the device's power.
    return m_stream->supportsPower() ? tr("Cable and Device Connected") : tr("Device Connected");
}

DeviceConnection::StreamList DeviceConnection::availableStreams() const
{
    return m_enumerator ? m_enumerator(m_ftdiPidEnabled) : StreamList{};
}

void DeviceConnection::logFtdiCables() const
{
    if (m_cableLogger)
        m_cableLogger();
}

void DeviceConnection::closeIfDeviceGone()
{
    // Without a way to list devices, an empty list would mean nothing.
    if (!m_stream || !m_enumerator)
        return;
    const StreamList present = availableStreams();
    for (const std::unique_ptr<DeviceStream> &candidate : present) {
        if (candidate && candidate->isSameDevice(*m_stream))
            return;
    }
    close();
}
