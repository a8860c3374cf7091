#include "fault_campaign_link.h"

#include "app/log.h"
#include "cablebench.h"
#include "devsim/simulateddevicestream.h"
#include "fault_campaign.h"
#include "models/modelclassinfo.h"

#include <QStringList>

namespace faultcampaign {

namespace {

constexpr int kLogEntries = 4000;
constexpr int kLogLineChars = 160;
constexpr int kOpenTimeoutMs = 5000;
constexpr int kReadyAttempts = 3;
constexpr int kPowerOffMs = 20;
// Identification moves a few hundred bytes; on the cable that is well under a second.
constexpr int kIdentificationAllowanceMs = 5000;

// Short enough that a thousand dropped replies do not take an hour, long enough that a
// loaded machine does not time out replies that come at once.
ConnectionTimings inProcessTimings()
{
    ConnectionTimings timings;
    timings.ackTimeoutMs = 500;
    timings.inputResetMs = 300;
    timings.modeSwitchTimeoutMs = 1500;
    timings.announcementSettleMs = 20;
    timings.bootloaderGoTimeoutMs = 1500;
    return timings;
}

Log &processLog()
{
    static Log *log = [] {
        auto *created = new Log(kLogEntries);
        Log::install(created);
        return created;
    }();
    return *log;
}

bool isKnownMode(DeviceMode mode)
{
    return mode == DeviceMode::FSK || mode == DeviceMode::Bootloader;
}

} // namespace

DeviceConnection::Done countInto(const std::shared_ptr<Completions> &completions)
{
    return [completions](DeviceConnectionError code) {
        if (completions->count++ == 0)
            completions->firstCode = code;
    };
}

DeviceLink::DeviceLink(const devsim::DeviceProfile &profile, Path path)
    : m_path(path)
{
    processLog();
    if (path == Path::Cable) {
        m_rig = std::make_unique<cablebench::CableRig>(profile);
        m_simulator = m_rig->simulator;
        m_connection = &m_rig->connection;
    } else {
        m_simulator = std::make_shared<devsim::DeviceSimulator>(profile);
        DeviceConnection::Options options;
        options.timings = inProcessTimings();
        m_ownConnection = std::make_unique<DeviceConnection>(options);
        m_connection = m_ownConnection.get();
    }
    m_manager = std::make_unique<DeviceManager>(m_connection, modelClassRegistry());
    QObject::connect(m_manager.get(), &DeviceManager::deviceStateChanged, m_manager.get(),
                     [this] { ++m_stateChanges; });
    QObject::connect(m_manager.get(), &DeviceManager::errorOccurred, m_manager.get(),
                     [this] { ++m_errors; });
}

DeviceLink::~DeviceLink()
{
    m_manager.reset();
    m_ownConnection.reset();
    m_rig.reset();
}

int DeviceLink::timeoutSumMs() const
{
    const ConnectionTimings &t = timings();
    return t.ackTimeoutMs + t.inputResetMs + t.modeSwitchTimeoutMs + t.announcementSettleMs +
           t.pingIdleMs + t.bootloaderGoTimeoutMs;
}

QString DeviceLink::logTail(int lines)
{
    const Log &log = processLog();
    QStringList tail;
    for (int i = std::max(0, log.count() - lines); i < log.count(); ++i) {
        const LogEntry entry = log.entry(i);
        const QString message = entry.message.simplified();
        tail.append(entry.category + QStringLiteral(": ") + message.left(kLogLineChars));
    }
    return tail.join(QLatin1Char('\n'));
}

void DeviceLink::clearLog()
{
    processLog().clear();
}

bool DeviceLink::isSettled() const
{
    return m_connection->isOpen() && isKnownMode(m_connection->mode()) && !m_manager->isBusy();
}

bool DeviceLink::makeReady()
{
    m_simulator->clearFaults();
    for (int attempt = 0; attempt < kReadyAttempts; ++attempt) {
        if (attempt > 0)
            powerCycle();
        if (reconnect() && reidentify())
            return true;
    }
    return false;
}

void DeviceLink::powerCycle()
{
    m_simulator->setPowered(false);
    settle(kPowerOffMs);
    m_simulator->setPowered(true);
}

bool DeviceLink::reconnect()
{
    const bool vanished = !m_simulator->isPresent();
    if (vanished)
        m_simulator->plugIn();
    if ((vanished || !m_connection->isOpen() || m_connection->isFaulted()) && !reopen())
        return false;
    // A device that restarted announces itself and the link settles on its mode a moment
    // after answering; what the manager starts then must be over before we look.
    const int settleMs = timings().modeSwitchTimeoutMs + kIdentificationAllowanceMs;
    if (!waitFor([this] { return isSettled(); }, settleMs))
        return false;
    settle(2 * timings().announcementSettleMs);
    return waitFor([this] { return isSettled(); }, settleMs);
}

bool DeviceLink::reopen()
{
    m_connection->close();
    m_connection->clearFaulted();
    if (m_rig) {
        return m_rig->open() &&
               runToEnd([this](DeviceConnection::Done done) { m_connection->powerOn(done); },
                        kOpenTimeoutMs) == DeviceConnectionError::NoError;
    }
    // Shared: an open that outlasts the wait still reports, after this function is gone.
    auto opened = std::make_shared<std::optional<bool>>();
    m_connection->open(std::make_unique<devsim::SimulatedDeviceStream>(m_simulator),
                       [opened](bool ok) { *opened = ok; });
    return waitFor([&] { return opened->has_value(); }, kOpenTimeoutMs) && **opened;
}

bool DeviceLink::reidentify()
{
    const int changesBefore = m_stateChanges;
    const int errorsBefore = m_errors;
    m_manager->reidentify();
    // A bootloader with a valid application sends the device on into it: identified means
    // settled in a known mode with the state told, whichever mode that is.
    const bool ended = waitFor(
        [&] { return isSettled() && (m_stateChanges > changesBefore || m_errors > errorsBefore); },
        timings().modeSwitchTimeoutMs + timings().bootloaderGoTimeoutMs +
            2 * kIdentificationAllowanceMs);
    if (!ended || m_errors > errorsBefore)
        return false;
    return m_connection->mode() != DeviceMode::FSK || !m_manager->targetSections().isEmpty();
}

std::optional<DeviceConnectionError>
DeviceLink::runToEnd(const std::function<void(DeviceConnection::Done)> &start, int timeoutMs)
{
    auto completions = std::make_shared<Completions>();
    start(countInto(completions));
    if (!waitFor([&] { return completions->count > 0; }, timeoutMs))
        return std::nullopt;
    return completions->firstCode;
}

} // namespace faultcampaign
