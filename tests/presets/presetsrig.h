#pragma once

#include "device/deviceconnection.h"
#include "devicestate/devicemanager.h"
#include "devsim/devicesimulator.h"
#include "devsim/simulateddevicestream.h"
#include "models/model.h"
#include "models/modellibrary.h"
#include "models/presetseeds.h"
#include "ui/models/modelscontext.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace presetstest {

inline constexpr int kWaitMs = 10000;

// A presets library holding the shipped presets and an empty models library, in a temporary
// folder; a simulated device can be connected through the real connection and device manager.
class PresetsRig
{
public:
    PresetsRig()
        : presets(std::make_unique<ModelLibrary>(dir.filePath(QStringLiteral("Models/Presets"))))
        , models(std::make_unique<ModelLibrary>(dir.filePath(QStringLiteral("Models"))))
    {
        installShippedPresets(*presets);
    }

    ~PresetsRig()
    {
        manager.reset();
        connection.reset();
    }

    // The preset made for that device variant.
    [[nodiscard]] QString presetFile(int productCode, int parameterVersion) const
    {
        for (const auto &info : presets->entries())
            if (info->productCode() == productCode && info->parameterVersion() == parameterVersion)
                return info->fileName();
        return {};
    }

    // Spoils a preset's file behind the library's back, as a damaged disk would.
    [[nodiscard]] bool spoil(const QString &fileName) const
    {
        QFile file(presets->filePath(fileName));
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
               file.write("not a model") > 0;
    }

    // Connects the device and waits until its application is identified.
    [[nodiscard]] bool connect(devsim::DeviceProfile profile)
    {
        DeviceConnection::Options options;
        options.timings.ackTimeoutMs = 600;
        options.timings.inputResetMs = 400;
        options.timings.modeSwitchTimeoutMs = 1500;
        options.timings.announcementSettleMs = 20;
        options.timings.bootloaderGoTimeoutMs = 1000;
        options.enumerator = [](bool) { return DeviceConnection::StreamList(); };
        connection = std::make_unique<DeviceConnection>(options);
        manager = std::make_unique<DeviceManager>(connection.get(), modelClassRegistry());
        auto simulator = std::make_shared<devsim::DeviceSimulator>(std::move(profile));
        connection->open(std::make_unique<devsim::SimulatedDeviceStream>(simulator), [](bool) {});
        return QTest::qWaitFor([&] { return !manager->isBusy() && manager->hasModelClass(); },
                               kWaitMs);
    }

    [[nodiscard]] ModelsContext context() const
    {
        ModelsContext context;
        context.models = models.get();
        context.presets = presets.get();
        context.deviceManager = manager.get();
        return context;
    }

    QTemporaryDir dir;
    std::unique_ptr<ModelLibrary> presets;
    std::unique_ptr<ModelLibrary> models;
    std::unique_ptr<DeviceConnection> connection;
    std::unique_ptr<DeviceManager> manager;
};

// Records every message box that shows up and closes it.
class MessageBoxCatcher
{
public:
    MessageBoxCatcher()
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { closeVisibleBoxes(); });
        m_timer.start();
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

} // namespace presetstest
