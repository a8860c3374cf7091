#pragma once

#include "app/log.h"
#include "app/messagepresenter.h"
#include "device/deviceconnection.h"
#include "devicestate/devicemanager.h"
#include "devsim/devicesimulator.h"
#include "devsim/profiles.h"
#include "devsim/simulateddevicestream.h"
#include "models/modelclassinfo.h"

#include <QObject>
#include <QStringList>
#include <QTest>

#include <memory>

namespace calibrationtest {

inline constexpr int kWaitMs = 10000;

// The device manager's own boxes would only reach the log; a test sees them here.
class RecordingPresenter final : public MessagePresenter
{
public:
    void showMessage(MessageSeverity, const QString &title, const QString &text) override
    {
        messages.append(title + QStringLiteral(": ") + text);
    }
    QStringList messages;
};

// One simulated receiver behind the real connection and device manager, with timeouts short
// enough that a receiver that stops answering is noticed within a second.
class CalibrationRig
{
public:
    explicit CalibrationRig(devsim::DeviceProfile profile)
        : simulator(std::make_shared<devsim::DeviceSimulator>(std::move(profile)))
    {
        Log::install(&log);
        m_previousPresenter = installMessagePresenter(&presenter);
        DeviceConnection::Options options;
        options.timings.ackTimeoutMs = 600;
        options.timings.inputResetMs = 400;
        options.timings.modeSwitchTimeoutMs = 1500;
        options.timings.announcementSettleMs = 20;
        options.timings.bootloaderGoTimeoutMs = 1000;
        options.enumerator = [](bool) { return DeviceConnection::StreamList(); };
        connection = std::make_unique<DeviceConnection>(options);
        manager = std::make_unique<DeviceManager>(connection.get(), modelClassRegistry());
    }

    ~CalibrationRig()
    {
        manager.reset();
        connection.reset();
        installMessagePresenter(m_previousPresenter);
        Log::install(nullptr);
    }

    // Opens the link and waits until the device manager has identified the application.
    [[nodiscard]] bool identify()
    {
        bool identified = false;
        const QObject scope;
        QObject::connect(manager.get(), &DeviceManager::deviceStateChanged, &scope,
                         [&] { identified = true; });
        connection->open(std::make_unique<devsim::SimulatedDeviceStream>(simulator), [](bool) {});
        return QTest::qWaitFor(
            [&] {
                return identified && !manager->isBusy() && manager->parameterVersion().has_value();
            },
            kWaitMs);
    }

    Log log;
    RecordingPresenter presenter;
    std::shared_ptr<devsim::DeviceSimulator> simulator;
    std::unique_ptr<DeviceConnection> connection;
    std::unique_ptr<DeviceManager> manager;

private:
    MessagePresenter *m_previousPresenter = nullptr;
};

} // namespace calibrationtest
