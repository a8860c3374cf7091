#pragma once

#include "app/shell/modelchoice.h"
#include "models/edithistory.h"

#include <QElapsedTimer>
#include <QMetaObject>
#include <QObject>
#include <QString>

#include <memory>

class DeviceConnection;
class DeviceManager;
class DeviceModel;
class LastSyncedModels;
class MainWindowView;
class Model;
class ModelClassRegistry;
class ModelLibrary;
class QSettings;
enum class DeviceConnectionError : int;

// The decisions of the main window, without its widgets: which model to work with when a
// device has been identified (the model last synced with it, a model whose settings equal the
// device's, or the user's choice in the sync dialog), when to ask for level calibration, and
// what becomes of the current model. Owns the one device manager and the current model's edit
// history, which starts empty whenever another model becomes current. Main thread only.
class MainWindowController : public QObject
{
    Q_OBJECT

public:
    static inline const QString kCurrentModelKey = QStringLiteral("currentModel");

    struct Services
    {
        DeviceConnection *connection = nullptr;
        ModelLibrary *models = nullptr;
        LastSyncedModels *lastSyncedModels = nullptr;
        QSettings *settings = nullptr;
        const ModelClassRegistry *registry = nullptr;
    };

    MainWindowController(Services services, MainWindowView &view, QObject *parent = nullptr);
    ~MainWindowController() override;

    [[nodiscard]] DeviceManager &deviceManager() const { return *m_manager; }
    [[nodiscard]] DeviceConnection &connection() const { return *m_services.connection; }
    [[nodiscard]] ModelLibrary &models() const { return *m_services.models; }
    [[nodiscard]] LastSyncedModels &lastSyncedModels() const
    {
        return *m_services.lastSyncedModels;
    }
    [[nodiscard]] QSettings &settings() const { return *m_services.settings; }
    // Undo and redo of the current model's edits.
    [[nodiscard]] EditHistory &editHistory() { return m_history; }

    [[nodiscard]] const std::shared_ptr<Model> &currentModel() const { return m_currentModel; }
    // The current model is the connected device's model and is attached to the device.
    [[nodiscard]] bool isCurrentModelAttached() const;
    [[nodiscard]] bool modelChosenForDevice() const { return m_modelChosen; }
    [[nodiscard]] IdentifiedDevice identifiedDevice() const;

    // Makes `model` current, rebuilds the navigation and, while a device runs its
    // application, writes the model to it.
    bool setCurrentModel(std::shared_ptr<Model> model);
    // Reopens the model named by the settings key "currentModel" at start-up.
    void restoreCurrentModel();

public slots:
    void deviceStateChanged();

signals:
    void currentModelChanged();
    // The current model's name, picture or device changed.
    void modelInfoChanged();
    // The current model was attached to or detached from the device.
    void modelSyncStatusChanged();
    // Writing an edit to the device failed; the model was detached from it.
    void errorSyncingModel();

private:
    void connectionModeChanged();
    void chooseModelForDevice();
    void attachCurrentModel(DeviceModel &model);
    void watchModel(const std::shared_ptr<Model> &model);

    Services m_services;
    MainWindowView &m_view;
    std::unique_ptr<DeviceManager> m_manager;
    std::shared_ptr<Model> m_currentModel;
    EditHistory m_history;
    QList<QMetaObject::Connection> m_modelConnections;
    bool m_modelChosen = false;
    bool m_selecting = false; // the current model is being written to the device
    QString m_chosenForSerial;
    // Guards the completion of a sync that outlives the controller.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
