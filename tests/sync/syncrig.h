#pragma once

#include "app/lastsyncedmodels.h"
#include "app/log.h"
#include "app/messagepresenter.h"
#include "device/deviceconnection.h"
#include "devicestate/devicemanager.h"
#include "devsim/devicesimulator.h"
#include "devsim/profiles.h"
#include "devsim/simulateddevicestream.h"
#include "models/devicemodel.h"
#include "models/modelclassinfo.h"
#include "models/modellibrary.h"
#include "ui/sync/synccontext.h"

#include <QApplication>
#include <QList>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace synctest {

inline constexpr int kWaitMs = 10000;

// Records every message box that shows up, wherever it comes from, and closes it, so that a
// test sees exactly which boxes the user would have had to dismiss.
class MessageBoxCatcher
{
public:
    MessageBoxCatcher()
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { closeVisibleBoxes(); });
        m_timer.start();
    }

    bool waitForBoxes(int count)
    {
        return QTest::qWaitFor([&] { return boxes.size() >= count; }, kWaitMs);
    }

    // "title: text" of each box, in the order they showed.
    QStringList boxes;

private:
    void closeVisibleBoxes()
    {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            auto *box = qobject_cast<QMessageBox *>(widget);
            if (!box || !box->isVisible())
                continue;
            boxes.append(box->windowTitle() + QStringLiteral(": ") + box->text());
            box->done(QMessageBox::Ok);
        }
    }

    QTimer m_timer;
};

inline QString errorBox(const QString &text)
{
    return QStringLiteral("Error: ") + text;
}

// Core boxes (the device manager's) would otherwise only reach the log; a test that sees one
// has found a fault of its own set-up.
class RecordingPresenter final : public MessagePresenter
{
public:
    void showMessage(MessageSeverity, const QString &title, const QString &text) override
    {
        messages.append(title + QStringLiteral(": ") + text);
    }
    QStringList messages;
};

// One simulated device behind the real connection and device manager (with the program's own
// model classes), a models library and a last-synced table in a temporary folder, and a main
// window stand-in that records the models it is asked to make current.
class SyncRig
{
public:
    explicit SyncRig(devsim::DeviceProfile profile = devsim::profiles::airplaneReceiver())
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
        library = std::make_unique<ModelLibrary>(dir.filePath(QStringLiteral("Models")));
        lastSynced = std::make_unique<LastSyncedModels>(
            dir.filePath(QStringLiteral("LastSyncedModels.json")));
    }

    ~SyncRig()
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

    [[nodiscard]] SyncContext context()
    {
        return {manager.get(), library.get(), lastSynced.get(),
                [this](const std::shared_ptr<Model> &model) {
                    madeCurrent.append(model);
                    return acceptCurrentModel;
                }};
    }

    // A model of the device's own class and variant that differs from what the device holds.
    [[nodiscard]] std::shared_ptr<DeviceModel> newModel(const QString &name, const QString &serial,
                                                        int productCode, int parameterVersion)
    {
        const ModelClassInfo *modelClass = findModelClass(productCode, parameterVersion);
        if (!modelClass)
            return nullptr;
        auto model = std::dynamic_pointer_cast<DeviceModel>(
            modelClass->create(productCode, parameterVersion));
        model->info().setName(name);
        model->info().setSerialNumber(serial);
        return model;
    }
    // The same, added to the library; returns its file name.
    [[nodiscard]] QString addModel(const QString &name, const QString &serial, int productCode,
                                   int parameterVersion)
    {
        std::shared_ptr<DeviceModel> model = newModel(name, serial, productCode, parameterVersion);
        return model ? library->addModel(model) : QString();
    }
    [[nodiscard]] QString addDeviceModel(const QString &name)
    {
        return addModel(name, manager->serialNumber(), manager->productCode(),
                        *manager->parameterVersion());
    }

    // What the device keeps in flash for section `id` of its parameter memory.
    [[nodiscard]] QByteArray deviceFlash(int id = 0)
    {
        return simulator->withDevice([id](devsim::SimulatedDevice &device) {
            return device.state().memory.section(0, std::uint8_t(id))->flash;
        });
    }

    [[nodiscard]] bool matchesDevice(const Model &model) const
    {
        return model.matchesDeviceCrcs(manager->parameterCrc(), manager->targetSections());
    }

    Log log;
    RecordingPresenter presenter;
    QTemporaryDir dir;
    std::shared_ptr<devsim::DeviceSimulator> simulator;
    std::unique_ptr<DeviceConnection> connection;
    std::unique_ptr<DeviceManager> manager;
    std::unique_ptr<ModelLibrary> library;
    std::unique_ptr<LastSyncedModels> lastSynced;
    QList<std::shared_ptr<Model>> madeCurrent;
    bool acceptCurrentModel = true;

private:
    MessagePresenter *m_previousPresenter = nullptr;
};

} // namespace synctest
