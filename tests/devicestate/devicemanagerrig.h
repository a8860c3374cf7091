#pragma once

#include "app/log.h"
#include "app/messagepresenter.h"
#include "device/deviceconnection.h"
#include "device/ftdicabledevicestream.h"
#include "devicestate/devicemanager.h"
#include "devsim/devicesimulator.h"
#include "devsim/profiles.h"
#include "devsim/simulatedcabledevice.h"
#include "devsim/simulateddevicestream.h"
#include "platform/ftdi/simulatedftdibackend.h"

#include <QStringList>
#include <QTest>

#include <memory>

namespace devicemanagertest {

// How the simulated device is reached: behind the programming cable (echo, power switch), as
// a USB CDC port, or in-process as a plain stream.
enum class Link { Cable, UsbCdc, InProcess };

inline constexpr int kWaitMs = 8000;

// Timings short enough for a fast suite, yet long enough for a loaded machine; a dropped
// reply costs one acknowledgement timeout.
inline ConnectionTimings quickTimings()
{
    ConnectionTimings timings;
    timings.ackTimeoutMs = 600;
    timings.inputResetMs = 400;
    timings.modeSwitchTimeoutMs = 1500;
    timings.announcementSettleMs = 20;
    timings.bootloaderGoTimeoutMs = 1000;
    return timings;
}

// Model classes for the named simulator profiles. The base device with auxiliaries is served
// by a class whose models do not hold device sections.
inline ListModelClassRegistry standardRegistry()
{
    return ListModelClassRegistry({
        {QStringLiteral("AirplaneRxModel"), -1, true, {{0xD9, 0xFF}}},
        {QStringLiteral("TrivorModel"), -1, true, {{0x83, 4}, {0x83, 5}}},
        {QStringLiteral("TransmitterModel"), -1, true, {{0xEF, 1}}},
        {QStringLiteral("GyroboxModel"), -1, true, {{0x3A, 0}}},
        {QStringLiteral("BaseStationModel"), -1, false, {{0x6A, 0}}},
    });
}

inline QString busyEvent(bool busy)
{
    return busy ? QStringLiteral("busy") : QStringLiteral("idle");
}
inline QString errorEvent(DeviceManagerError error)
{
    return QStringLiteral("error %1").arg(int(error));
}
inline const QString kStateEvent = QStringLiteral("state");

// Boxes join the manager's signals in one list, so a test sees their order.
class RecordingPresenter final : public MessagePresenter
{
public:
    explicit RecordingPresenter(QStringList &events)
        : m_events(events)
    {}
    void showMessage(MessageSeverity severity, const QString &title, const QString &text) override
    {
        const QString kind = severity == MessageSeverity::Critical ? QStringLiteral("critical")
                                                                   : QStringLiteral("other");
        m_events.append(QStringLiteral("box %1 %2: %3").arg(kind, title, text));
    }

private:
    QStringList &m_events;
};

inline QString errorBox(const QString &text)
{
    return QStringLiteral("box critical Error: ") + text;
}

// A DeviceManager over the real connection to one simulated device, recording what the
// manager tells its listeners and the user.
class Rig
{
public:
    explicit Rig(const devsim::DeviceProfile &profile, Link link = Link::Cable,
                 devsim::CommandTable commands = devsim::standardCommandTable(),
                 ConnectionTimings timings = quickTimings())
        : link(link)
        , simulator(std::make_shared<devsim::DeviceSimulator>(
              profile,
              link == Link::Cable ? devsim::DeviceSimulator::Power::Off
                                  : devsim::DeviceSimulator::Power::On,
              std::move(commands)))
    {
        Log::install(&log);
        m_previousPresenter = installMessagePresenter(&presenter);
        if (link == Link::Cable)
            backend.addCable(kCableSerial,
                             std::make_shared<devsim::SimulatedCableDevice>(simulator));

        DeviceConnection::Options options;
        options.timings = timings;
        // What the device-watch tick would find: the in-process device while it is there.
        options.enumerator = [this](bool) {
            DeviceConnection::StreamList present;
            if (simulator->isPresent())
                present.push_back(makeStream());
            return present;
        };
        connection = std::make_unique<DeviceConnection>(options);
        manager = std::make_unique<DeviceManager>(connection.get(), registry);
        watch(*manager);
    }

    ~Rig()
    {
        manager.reset();
        connection.reset();
        installMessagePresenter(m_previousPresenter);
        Log::install(nullptr);
    }

    void watch(DeviceManager &watched)
    {
        QObject::connect(&watched, &DeviceManager::errorOccurred, &watched,
                         [this](DeviceManagerError error) { events.append(errorEvent(error)); });
        QObject::connect(&watched, &DeviceManager::deviceBusyChanged, &watched,
                         [this, &watched] { events.append(busyEvent(watched.isBusy())); });
        QObject::connect(&watched, &DeviceManager::deviceStateChanged, &watched,
                         [this] { events.append(kStateEvent); });
        QObject::connect(connection.get(), &DeviceConnection::modeSelected, &watched,
                         [this] { modes.append(connection->mode()); });
    }

    // Opens the link (and, behind the cable, powers the device up).
    bool open()
    {
        auto opened = std::make_shared<int>(-1);
        connection->open(makeStream(), [opened](bool ok) { *opened = ok ? 1 : 0; });
        if (!QTest::qWaitFor([&] { return *opened != -1; }, kWaitMs) || *opened != 1)
            return false;
        if (link != Link::Cable)
            return true;
        auto powered = std::make_shared<int>(-1);
        connection->powerOn([powered](DeviceConnectionError code) {
            *powered = code == DeviceConnectionError::NoError ? 1 : 0;
        });
        return QTest::qWaitFor([&] { return *powered != -1; }, kWaitMs) && *powered == 1;
    }

    [[nodiscard]] int count(const QString &event) const { return int(events.count(event)); }
    // Waits until the manager has announced `stateChanges` state changes in all and is idle.
    bool waitForStateChanges(int stateChanges = 1)
    {
        return QTest::qWaitFor(
            [&] { return count(kStateEvent) >= stateChanges && !manager->isBusy(); }, kWaitMs);
    }
    bool waitForEvent(const QString &event)
    {
        return QTest::qWaitFor([&] { return events.contains(event); }, kWaitMs);
    }

    const Link link;
    Log log;
    QStringList events;
    QList<DeviceMode> modes;
    RecordingPresenter presenter{events};
    ListModelClassRegistry registry = standardRegistry();
    std::shared_ptr<devsim::DeviceSimulator> simulator;
    ftdi::SimulatedFtdiBackend backend;
    std::unique_ptr<DeviceConnection> connection;
    std::unique_ptr<DeviceManager> manager;

private:
    static inline const QByteArray kCableSerial = QByteArrayLiteral("RIGCABLE");

    std::unique_ptr<DeviceStream> makeStream()
    {
        if (link == Link::Cable)
            return std::make_unique<FtdiCableDeviceStream>(backend, kCableSerial);
        auto stream = std::make_unique<devsim::SimulatedDeviceStream>(simulator);
        stream->setReportsUsbCdc(link == Link::UsbCdc);
        return stream;
    }

    MessagePresenter *m_previousPresenter = nullptr;
};

} // namespace devicemanagertest
