#include "cli/devicesession.h"

#include "cli/console.h"
#include "cli/consoleoutput.h"
#include "cli/interruptwatcher.h"
#include "cli/progress.h"
#include "device/ftdicabledevicestream.h"
#include "device/streamenumeration.h"
#include "device/usbcdcdevicestream.h"
#include "devicestate/modelclassregistry.h"
#include "models/modelclassinfo.h"
#include "platform/deviceaccesshint.h"
#include "platform/ftdi/ftdiapi.h"
#include "platform/ftdi/simulatedftdibackend.h"

#include <QEventLoop>
#include <QPointer>

#include <algorithm>

namespace {

// The runs a link starts by itself end within a few mode switches; past this the device is
// stuck somewhere it should not be.
constexpr int kSettleTimeoutMs = 20'000;

// Why the port named with --port cannot be used, and what the user can do about it.
QString missingPortMessage(const QString &port)
{
    return QStringLiteral("zanprog: there is no port %1\nCheck the path, or leave out --port to "
                          "find the device wherever it is attached (zanprog ports lists them).")
        .arg(port);
}

QString unopenedPortMessage(const QString &port, const StreamOpenFailure &failure)
{
    QString fix;
    if (failure.accessDenied)
        fix = deviceAccessHint();
    else if (failure.inUse)
        fix = QStringLiteral("Close the program that has it open (another zanprog, the desktop "
                             "program, a terminal program) and try again.");
    if (fix.isEmpty())
        fix = QStringLiteral("Check that %1 is the serial port of the device.").arg(port);
    return QStringLiteral("zanprog: %1\n%2").arg(failure.reason, fix);
}

SupportedModes portModes(const QString &name)
{
    if (name == QLatin1String("app"))
        return SupportedModes::ApplicationOnly;
    if (name == QLatin1String("bootloader"))
        return SupportedModes::BootloaderOnly;
    return SupportedModes::Announced;
}

} // namespace

DeviceStreamList selectedStreams(const GlobalOptions &options)
{
    DeviceStreamList streams;
    if (!options.port.isEmpty()) {
        // A named port is all the user wants: no cable is looked for.
        ftdi::SimulatedFtdiBackend noCables;
        streams = availableStreams(false, noCables, {{options.port, portModes(options.portMode)}});
        std::erase_if(streams, [&](const std::unique_ptr<DeviceStream> &stream) {
            const auto *port = dynamic_cast<const UsbCdcDeviceStream *>(stream.get());
            return !port || port->portName() != options.port;
        });
    } else if (!options.ftdiSerial.isEmpty()) {
        // A cable named by its serial number may still carry the chip's factory product id.
        streams = availableStreams(true, ftdi::defaultFtdiApi(), {}, SerialPortLister{});
        std::erase_if(streams, [&](const std::unique_ptr<DeviceStream> &stream) {
            const auto *cable = dynamic_cast<const FtdiCableDeviceStream *>(stream.get());
            return !cable || cable->serialNumber() != options.ftdiSerial.toLatin1();
        });
    } else {
        streams = availableStreams(false, ftdi::defaultFtdiApi());
    }
    return streams;
}

namespace {

bool isStable(DeviceMode mode)
{
    return mode == DeviceMode::Bootloader || mode == DeviceMode::FSK;
}

} // namespace

bool endsIdentification(DeviceManagerError error)
{
    return int(error) <= int(DeviceManagerError::SectionCrcsReadFailed);
}

const ModelClassRegistry &cliModelClassRegistry()
{
    return modelClassRegistry();
}

DeviceSession::DeviceSession(const GlobalOptions &options, Console &console, QIODevice &err,
                             const ModelClassRegistry &registry, Timings timings)
    : m_options(options)
    , m_console(console)
    , m_err(err)
    , m_timings(timings)
{
    if (m_options.verbose)
        m_logWriter = std::make_unique<ConsoleLogWriter>(err);
    m_presenter = std::make_unique<ConsoleMessagePresenter>(console);
    m_interrupt = std::make_unique<InterruptWatcher>();
    connect(m_interrupt.get(), &InterruptWatcher::interrupted, this,
            [this] { m_interrupted = true; });

    DeviceConnectionOptions connectionOptions;
    connectionOptions.timings = m_timings.connection;
    connectionOptions.enumerator = [options = m_options](bool) { return selectedStreams(options); };
    m_connection = std::make_unique<DeviceConnection>(std::move(connectionOptions));
    m_manager = std::make_unique<DeviceManager>(m_connection.get(), registry);

    connect(m_connection.get(), &DeviceConnection::modeSelected, this,
            &DeviceSession::noteLinkChange);
    connect(m_manager.get(), &DeviceManager::deviceBusyChanged, this,
            &DeviceSession::noteLinkChange);
    connect(m_manager.get(), &DeviceManager::deviceStateChanged, this,
            &DeviceSession::deviceStateChanged);
    connect(m_manager.get(), &DeviceManager::errorOccurred, this, [this](DeviceManagerError error) {
        if (!m_identified && endsIdentification(error))
            m_identificationFailed = true;
    });

    m_watchTimer.setInterval(m_timings.watchIntervalMs);
    connect(&m_watchTimer, &QTimer::timeout, this, &DeviceSession::watchTick);
    m_sinceStart.start();
    m_sinceLinkChange.start();
}

DeviceSession::~DeviceSession()
{
    m_watchTimer.stop();
    // The manager watches the connection: it goes first.
    m_manager.reset();
    m_connection.reset();
}

ExitCode DeviceSession::open()
{
    if (!m_options.port.isEmpty() && selectedStreams(m_options).empty())
        return fail(missingPortMessage(m_options.port));
    watchTick();
    m_watchTimer.start();
    const Wait wait = waitUntil(
        [this] { return m_identified || m_identificationFailed || !m_namedPortFailure.isEmpty(); },
        remainingWaitMs());
    if (wait == Wait::Done && !m_namedPortFailure.isEmpty())
        return fail(m_namedPortFailure);
    if (wait == Wait::Done)
        return m_identified ? ExitCode::Success : ExitCode::Failed;
    if (wait == Wait::TimedOut) {
        m_console.printError(m_wasOpened ? QStringLiteral("zanprog: the device was not identified "
                                                          "within %1 ms")
                                               .arg(m_options.waitMs)
                                         : QStringLiteral("zanprog: no device found"));
        return ExitCode::NoDevice;
    }
    return fail(DeviceConnectionError::NoReply);
}

ExitCode DeviceSession::settle()
{
    const Wait wait = waitUntil(
        [this] {
            return !m_manager->isBusy() && isStable(m_connection->mode()) &&
                   m_sinceLinkChange.elapsed() >= m_timings.settleQuietMs;
        },
        kSettleTimeoutMs);
    if (wait == Wait::Done)
        return ExitCode::Success;
    return fail(wait == Wait::TimedOut ? DeviceConnectionError::InvalidState
                                       : DeviceConnectionError::NoReply);
}

ExitCode DeviceSession::switchTo(DeviceMode mode)
{
    if (const ExitCode settled = settle(); settled != ExitCode::Success)
        return settled;
    if (m_connection->mode() == mode)
        return ExitCode::Success;
    const DeviceConnectionError error =
        run([&](DeviceConnection::Done done) { m_connection->switchToMode(mode, done); });
    if (error != DeviceConnectionError::NoError)
        return fail(error);
    if (const ExitCode settled = settle(); settled != ExitCode::Success)
        return settled;
    if (m_connection->mode() != mode)
        return fail(DeviceConnectionError::InvalidState);
    return ExitCode::Success;
}

DeviceSession::Wait DeviceSession::waitUntil(const std::function<bool()> &condition, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    auto outcome = [&]() -> std::optional<Wait> {
        if (condition())
            return Wait::Done;
        if (m_interrupted)
            return Wait::Interrupted;
        if (deviceLost())
            return Wait::DeviceLost;
        if (timeoutMs >= 0 && clock.elapsed() >= timeoutMs)
            return Wait::TimedOut;
        return std::nullopt;
    };
    if (const auto early = outcome())
        return *early;
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(kWaitPollMs);
    std::optional<Wait> result;
    connect(&poll, &QTimer::timeout, &loop, [&] {
        result = outcome();
        if (result)
            loop.quit();
    });
    poll.start();
    loop.exec();
    return *result;
}

DeviceConnectionError DeviceSession::run(const std::function<void(DeviceConnection::Done)> &start)
{
    // The completion may come after an interrupted wait has returned.
    auto result = std::make_shared<std::optional<DeviceConnectionError>>();
    start([result](DeviceConnectionError error) { *result = error; });
    waitUntil([&result] { return result->has_value(); }, -1);
    return result->value_or(DeviceConnectionError::NoReply);
}

DeviceConnectionError DeviceSession::runWithProgress(
    const QString &label,
    const std::function<void(DeviceConnection::Progress, DeviceConnection::Done)> &start)
{
    // Shared: an interrupted wait returns while the operation may still report.
    auto progress =
        std::make_shared<ProgressReporter>(m_err, label, ProgressReporter::isTerminal(m_err));
    const DeviceConnectionError error = run([&](DeviceConnection::Done done) {
        start([progress](float fraction) { progress->update(fraction); }, std::move(done));
    });
    progress->finish();
    return error;
}

ExitCode DeviceSession::fail(DeviceConnectionError error)
{
    return fail(DeviceConnection::errorString(error));
}

ExitCode DeviceSession::fail(const QString &message)
{
    m_console.printError(m_interrupted ? QStringLiteral("zanprog: interrupted") : message);
    return ExitCode::Failed;
}

bool DeviceSession::deviceLost() const
{
    if (!m_wasOpened)
        return false;
    return !m_connection->isOpen() || (m_identified && m_connection->mode() == DeviceMode::Unknown);
}

void DeviceSession::watchTick()
{
    m_connection->closeIfDeviceGone();
    // A device that went away mid-command is an error, not something to wait for again.
    if (m_wasOpened || m_opening || m_connection->isOpen())
        return;
    DeviceStreamList streams = selectedStreams(m_options);
    if (!streams.empty())
        openStream(std::move(streams.front()));
}

void DeviceSession::openStream(std::unique_ptr<DeviceStream> stream)
{
    m_opening = true;
    QPointer<DeviceSession> self(this);
    m_connection->open(std::move(stream), [self](bool ok) {
        if (!self)
            return;
        self->m_opening = false;
        if (!ok && !self->m_options.port.isEmpty())
            self->m_namedPortFailure =
                unopenedPortMessage(self->m_options.port, self->m_connection->lastOpenFailure());
        if (!ok)
            return;
        self->m_wasOpened = true;
        self->noteLinkChange();
        // A cable leaves the device unpowered after opening; other streams ignore this.
        self->m_connection->powerOn({});
    });
}

void DeviceSession::deviceStateChanged()
{
    noteLinkChange();
    if (!m_manager->isBusy() && isStable(m_connection->mode()) &&
        !m_manager->serialNumber().isEmpty() && !m_identified) {
        m_identified = true;
        m_identifiedMode = m_connection->mode();
    }
}

void DeviceSession::noteLinkChange()
{
    m_sinceLinkChange.restart();
}

int DeviceSession::remainingWaitMs() const
{
    return std::max<qint64>(0, m_options.waitMs - m_sinceStart.elapsed());
}
