#pragma once

#include "app/lastsyncedmodels.h"
#include "app/log.h"
#include "app/messagepresenter.h"
#include "app/shell/demodevice.h"
#include "device/deviceconnection.h"
#include "devsim/devicesimulator.h"
#include "models/modellibrary.h"
#include "platform/ftdi/simulatedftdibackend.h"

#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace shelltest {

inline constexpr int kWaitMs = 10'000;

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

// Records every box the core shows, as "title: text".
class RecordingPresenter final : public MessagePresenter
{
public:
    void showMessage(MessageSeverity, const QString &title, const QString &text) override
    {
        boxes << title + QStringLiteral(": ") + text;
    }
    QStringList boxes;
};

// The process-wide objects of the desktop program around one demo device, in a temporary
// data directory: settings, log, libraries, last-synced table and a connection with short
// timings that sees only the demo cable.
class ShellRig
{
public:
    explicit ShellRig(const QString &profile = DemoDevice::kDefaultProfile)
        : settings(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat)
        , lastSynced(dir.filePath(QStringLiteral("LastSyncedModels.json")))
    {
        Log::install(&log);
        m_previousPresenter = installMessagePresenter(&presenter);
        demo = std::move(*DemoDevice::create(profile, dir.filePath(QStringLiteral("demo.json"))));
        library = std::make_unique<ModelLibrary>(dir.filePath(QStringLiteral("Models")));
        DeviceConnection::Options options;
        options.timings = quickTimings();
        options.enumerator = demo->enumerator();
        connection = std::make_unique<DeviceConnection>(options);
    }

    ~ShellRig()
    {
        connection.reset();
        installMessagePresenter(m_previousPresenter);
        Log::install(nullptr);
    }

    // Opens the demo cable and powers the device; it then announces itself.
    bool openAndPower()
    {
        auto opened = std::make_shared<int>(-1);
        DeviceConnection::StreamList streams = connection->availableStreams();
        if (streams.empty())
            return false;
        connection->open(std::move(streams.front()), [opened](bool ok) { *opened = ok; });
        if (!QTest::qWaitFor([&] { return *opened != -1; }, kWaitMs) || *opened != 1)
            return false;
        return powerOn();
    }

    bool powerOn()
    {
        auto powered = std::make_shared<int>(-1);
        connection->powerOn([powered](DeviceConnectionError error) {
            *powered = error == DeviceConnectionError::NoError;
        });
        return QTest::qWaitFor([&] { return *powered != -1; }, kWaitMs) && *powered == 1;
    }

    QTemporaryDir dir;
    QSettings settings;
    Log log;
    RecordingPresenter presenter;
    LastSyncedModels lastSynced;
    std::unique_ptr<DemoDevice> demo;
    std::unique_ptr<ModelLibrary> library;
    std::unique_ptr<DeviceConnection> connection;

private:
    MessagePresenter *m_previousPresenter = nullptr;
};

} // namespace shelltest
