#include "app/shell/mainwindowcontroller.h"

#include "app/lastsyncedmodels.h"
#include "app/log.h"
#include "app/messagepresenter.h"
#include "app/shell/devicerules.h"
#include "app/shell/mainwindowview.h"
#include "device/deviceconnection.h"
#include "devicestate/devicemanager.h"
#include "models/devicemodel.h"
#include "models/modellibrary.h"

#include <QSettings>
#include <QTextStream>

#include <cstdio>
#include <utility>

namespace {

const QString kModelSyncCategory = QStringLiteral("Model Sync");

QString crcText(std::uint32_t crc)
{
    return QStringLiteral("0x%1")
        .arg(crc, 8, 16, QLatin1Char('0'))
        .toUpper()
        .replace(QLatin1String("0X"), QLatin1String("0x"));
}

void printLine(const QString &line)
{
    QTextStream(stdout) << line << Qt::endl;
}

} // namespace

MainWindowController::MainWindowController(Services services, MainWindowView &view, QObject *parent)
    : QObject(parent)
    , m_services(services)
    , m_view(view)
    , m_manager(std::make_unique<DeviceManager>(services.connection, *services.registry))
{
    connect(m_manager.get(), &DeviceManager::deviceStateChanged, this,
            &MainWindowController::deviceStateChanged);
    connect(m_services.connection, &DeviceConnection::modeSelected, this,
            &MainWindowController::connectionModeChanged);
    connect(m_services.connection, &DeviceConnection::isOpenChanged, this,
            &MainWindowController::connectionModeChanged);
}

MainWindowController::~MainWindowController()
{
    *m_alive = false;
    for (const QMetaObject::Connection &connection : m_modelConnections)
        disconnect(connection);
}

bool MainWindowController::isCurrentModelAttached() const
{
    const auto *model = dynamic_cast<const DeviceModel *>(m_currentModel.get());
    return model && model->memory().syncConnection() == m_services.connection &&
           m_services.connection->mode() == DeviceMode::FSK;
}

IdentifiedDevice MainWindowController::identifiedDevice() const
{
    return {m_manager->serialNumber(), m_manager->productCode(), m_manager->parameterVersion(),
            m_manager->parameterCrc(), m_manager->targetSections()};
}

void MainWindowController::connectionModeChanged()
{
    if (m_services.connection->mode() == DeviceMode::Unknown) {
        // The device is gone: whatever was chosen for it is no longer known to be right, and
        // dialogs about it would act on nothing.
        m_modelChosen = false;
        m_chosenForSerial.clear();
        m_view.closeDeviceDialogs();
    }
    emit modelSyncStatusChanged();
    m_view.updateEnabledPages();
}

void MainWindowController::deviceStateChanged()
{
    m_view.updateEnabledPages();
    if (m_services.connection->mode() != DeviceMode::FSK)
        return;

    m_view.closeDeviceDialogs();
    const DeviceManager &manager = *m_manager;
    if (devicerules::calibrationRequired(manager.isCalibrated(), manager.productCode(),
                                         manager.appVersionMajor(), manager.parameterVersion())) {
        m_view.openCalibrationDialog();
        m_view.updateEnabledPages();
        return;
    }
    if (!manager.hasModelClass())
        return;

    if (m_modelChosen && m_currentModel) {
        if (manager.serialNumber() == m_chosenForSerial)
            setCurrentModel(m_currentModel);
        return;
    }
    chooseModelForDevice();
}

void MainWindowController::chooseModelForDevice()
{
    ModelLibrary &library = *m_services.models;
    const IdentifiedDevice device = identifiedDevice();
    const auto logList = [&](const QString &heading, const QStringList &fileNames) {
        log(kModelSyncCategory, heading);
        for (const QString &fileName : fileNames)
            log(kModelSyncCategory,
                QStringLiteral("  %1, %2").arg(library.entryInfo(fileName).name(), fileName));
    };

    const QStringList libraryOrder = library.fileNames();
    logList(QStringLiteral("Full Sync Model List:"), libraryOrder);
    const QString current = m_currentModel ? m_currentModel->info().fileName() : QString();
    const QStringList order = modelchoice::syncOrder(
        libraryOrder, current, m_services.lastSyncedModels->modelFileFor(device.serialNumber));
    logList(QStringLiteral("Partitioned Sync Model List:"), order);

    std::shared_ptr<Model> match = modelchoice::findMatchingModel(
        order,
        [&](const QString &fileName) -> std::optional<ModelInfo> {
            if (!library.contains(fileName))
                return std::nullopt;
            return library.entryInfo(fileName);
        },
        [&](const QString &fileName) { return library.openModel(fileName); }, device,
        [](std::uint32_t modelCrc, std::uint32_t deviceCrc) {
            printLine(QStringLiteral("model crc: ") + crcText(modelCrc));
            printLine(QStringLiteral("device crc: ") + crcText(deviceCrc));
        });
    if (match)
        setCurrentModel(match);
    else
        m_view.openSyncDialog();
}

bool MainWindowController::setCurrentModel(std::shared_ptr<Model> model)
{
    QElapsedTimer elapsed;
    elapsed.start();

    if (model != m_currentModel) {
        for (const QMetaObject::Connection &connection : m_modelConnections)
            disconnect(connection);
        m_modelConnections.clear();
        // A model that is no longer current must not stay attached: made current again
        // later, it would look in step with a device that meanwhile holds another model.
        if (auto *previous = dynamic_cast<DeviceModel *>(m_currentModel.get());
            previous && previous->memory().syncConnection())
            previous->memory().setSyncConnection(nullptr);
        if (std::exchange(m_selecting, false))
            m_view.closeSelectingProgress();
        m_currentModel = std::move(model);
        if (m_currentModel)
            watchModel(m_currentModel);
        // The steps of the model left behind would undo edits of a model no longer shown.
        m_history.setModel(m_currentModel);
    }
    const QString fileName = m_currentModel ? m_currentModel->info().fileName() : QString();
    m_services.settings->setValue(kCurrentModelKey, fileName);
    log(QStringLiteral("Model"),
        QStringLiteral("Switching to model with CRC %1")
            .arg(crcText(m_currentModel ? m_currentModel->modelCrc() : 0)));

    m_view.rebuildNavigation(m_currentModel);

    auto *deviceModel = dynamic_cast<DeviceModel *>(m_currentModel.get());
    if (deviceModel && m_services.connection->mode() == DeviceMode::FSK &&
        m_manager->hasModelClass()) {
        const ModelInfo &info = deviceModel->info();
        // Writing a model of another product or settings version would fill the device's
        // memory with a layout it does not have.
        const bool servesDevice = info.productCode() == m_manager->productCode() &&
                                  m_manager->parameterVersion() == info.parameterVersion();
        if (servesDevice) {
            m_modelChosen = true;
            m_chosenForSerial = m_manager->serialNumber();
            if (deviceModel->memory().syncConnection() != m_services.connection)
                attachCurrentModel(*deviceModel);
        } else {
            log(kModelSyncCategory,
                QStringLiteral("Main window %1: model %2 is not for the connected device; not "
                               "writing it")
                    .arg(currentTimeText(), info.name()));
        }
    }

    emit currentModelChanged();
    emit modelSyncStatusChanged();
    log(QStringLiteral("Timing"), QStringLiteral("Selecting model: %1 ms").arg(elapsed.elapsed()));
    return true;
}

void MainWindowController::attachCurrentModel(DeviceModel &model)
{
    m_view.showSelectingProgress();
    log(kModelSyncCategory, QStringLiteral("Main window %1: syncing with model %3")
                                .arg(currentTimeText(), model.info().name()));
    m_selecting = true;
    std::weak_ptr<bool> alive = m_alive;
    const Model *selected = &model;
    model.memory().setSyncConnectionAsync(
        m_services.connection, m_manager->targetSections(), InitialSyncDirection::ComputerToDevice,
        [this, alive](float progress) {
            if (!alive.expired())
                m_view.setSelectingProgress(progress);
        },
        [this, alive, selected](DeviceConnectionError error) {
            if (alive.expired())
                return;
            emit modelSyncStatusChanged();
            // Another model became current meanwhile (or this one went away): its own
            // selection reports for it.
            if (m_currentModel.get() != selected)
                return;
            m_selecting = false;
            m_view.closeSelectingProgress();
            if (error != DeviceConnectionError::NoError)
                messagePresenter().showMessage(MessageSeverity::Critical,
                                               QStringLiteral("Selecting Model Failed"),
                                               QStringLiteral("There was a problem selecting the "
                                                              "model."));
        });
}

void MainWindowController::watchModel(const std::shared_ptr<Model> &model)
{
    m_modelConnections << connect(model.get(), &Model::infoChanged, this,
                                  &MainWindowController::modelInfoChanged);
    auto *deviceModel = dynamic_cast<DeviceModel *>(model.get());
    if (!deviceModel)
        return;
    DeviceMemory *memory = &deviceModel->memory();
    m_modelConnections << connect(memory, &DeviceMemory::syncConnectionChanged, this,
                                  &MainWindowController::modelSyncStatusChanged);
    m_modelConnections << connect(memory, &DeviceMemory::errorSyncing, this, [this] {
        // The selecting sync reports its own failure.
        if (m_selecting)
            return;
        emit errorSyncingModel();
        messagePresenter().showMessage(MessageSeverity::Critical, QStringLiteral("Error"),
                                       QStringLiteral("There was a problem communicating with the "
                                                      "device. The model was not saved to the "
                                                      "device."));
    });
}

void MainWindowController::restoreCurrentModel()
{
    const QString fileName = m_services.settings->value(kCurrentModelKey).toString();
    if (fileName.isEmpty() || !m_services.models->contains(fileName)) {
        m_view.rebuildNavigation(nullptr);
        return;
    }
    if (std::shared_ptr<Model> model = m_services.models->openModel(fileName))
        setCurrentModel(std::move(model));
    else
        m_view.rebuildNavigation(nullptr);
}
