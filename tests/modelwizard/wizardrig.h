#pragma once

#include "../sync/syncrig.h"
#include "models/devicemodel.h"
#include "ui/models/modelscontext.h"
#include "ui/navigation/pageregistry.h"

#include <QDir>
#include <QSet>

#include <memory>

namespace wizardtest {

using synctest::kWaitMs;
using synctest::SyncRig;

inline devsim::DeviceProfile envelopeReceiver()
{
    devsim::DeviceProfile profile = devsim::profiles::airplaneReceiver();
    profile.parameterVersion = 0xFE;
    return profile;
}

// Stands in for the main window: keeps the current model and, like the real one, writes a
// model of the connected device to it when the model becomes current and is not attached yet.
class MainWindowStub
{
public:
    explicit MainWindowStub(SyncRig &rig)
        : m_rig(rig)
    {}
    // A transfer still running would report to a stub that is gone.
    ~MainWindowStub() { (void)waitForTransfers(); }

    bool setCurrentModel(const std::shared_ptr<Model> &model)
    {
        current = model;
        madeCurrent.append(model);
        auto *deviceModel = dynamic_cast<DeviceModel *>(model.get());
        DeviceConnection *connection = m_rig.connection.get();
        const DeviceManager &manager = *m_rig.manager;
        const bool servesDevice = deviceModel && connection->mode() == DeviceMode::FSK &&
                                  deviceModel->info().productCode() == manager.productCode() &&
                                  manager.parameterVersion() == deviceModel->parameterVersion();
        if (servesDevice && deviceModel->memory().syncConnection() != connection) {
            ++m_transfers;
            deviceModel->memory().setSyncConnectionAsync(
                connection, manager.targetSections(), InitialSyncDirection::ComputerToDevice, {},
                [this](DeviceConnectionError error) {
                    --m_transfers;
                    transferErrors += error != DeviceConnectionError::NoError;
                });
        }
        return true;
    }

    [[nodiscard]] bool waitForTransfers()
    {
        return QTest::qWaitFor([this] { return m_transfers == 0; }, kWaitMs);
    }

    [[nodiscard]] ModelsContext context()
    {
        ModelsContext context;
        context.models = m_rig.library.get();
        context.lastSyncedModels = m_rig.lastSynced.get();
        context.deviceManager = m_rig.manager.get();
        context.pages = &pages;
        context.currentModel = [this] { return current; };
        context.setCurrentModel = [this](const std::shared_ptr<Model> &model) {
            return setCurrentModel(model);
        };
        context.rerunDeviceStateHandling = [this] { ++reruns; };
        return context;
    }

    PageRegistry pages; // placeholders for every kind
    std::shared_ptr<Model> current;
    QList<std::shared_ptr<Model>> madeCurrent;
    int reruns = 0;
    int transferErrors = 0;

private:
    SyncRig &m_rig;
    int m_transfers = 0;
};

// The library as the disk and the manifest have it, to show that nothing was added.
inline QSet<QString> libraryFiles(const ModelLibrary &library)
{
    const QStringList files = QDir(library.directory()).entryList(QDir::Files);
    return {files.cbegin(), files.cend()};
}

// A model of the device's own variant whose settings differ from a new model's.
inline std::shared_ptr<Model> markedDeviceModel(SyncRig &rig, const QString &name)
{
    const QString fileName = rig.addDeviceModel(name);
    auto model = std::dynamic_pointer_cast<DeviceModel>(rig.library->openModel(fileName));
    QByteArray bytes = model->memory().modelData(0);
    bytes[16] = char(bytes[16] ^ 0x5A);
    model->memory().setModelData(0, bytes);
    return model;
}

} // namespace wizardtest
