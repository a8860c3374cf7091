#include "cli/modelsync.h"

#include "cli/console.h"
#include "cli/devicesession.h"
#include "models/devicemodel.h"
#include "models/modelclassinfo.h"
#include "models/modelcodes.h"

namespace {

// A single-section memory transfers as many bytes as its device image holds; the device says
// how large its section is. Without a size from the device the class's own image size stays.
void sizeSingleSection(DeviceModel &model, const DeviceManager &manager)
{
    DeviceMemory &memory = model.memory();
    if (memory.sectionCount() != 1)
        return;
    for (const SectionMetadata &section : manager.targetSections())
        if (section.id == 0 && section.size > 0)
            memory.setDeviceData(0, QByteArray(section.size, '\0'));
}

} // namespace

QString variantText(int productCode, std::optional<int> parameterVersion)
{
    return QStringLiteral("product %1, parameter version %2")
        .arg(formatModelCode(productCode),
             parameterVersion ? formatModelCode(*parameterVersion) : QStringLiteral("unknown"));
}

ExitCode noModelClass(DeviceSession &session)
{
    const DeviceManager &manager = session.manager();
    return session.fail(QStringLiteral("zanprog: no model class serves this device (%1)")
                            .arg(variantText(manager.productCode(), manager.parameterVersion())));
}

ExitCode openForModels(DeviceSession &session)
{
    if (const ExitCode opened = session.open(); opened != ExitCode::Success)
        return opened;
    if (const ExitCode settled = session.settle(); settled != ExitCode::Success)
        return settled;
    const DeviceManager &manager = session.manager();
    if (session.connection().mode() != DeviceMode::FSK) {
        // Only the application reports the parameter version. A device sent back to its
        // bootloader after its application was identified is one no class serves.
        const bool knownUnserved = manager.parameterVersion() && !manager.hasModelClass();
        if (knownUnserved || !cliModelClassRegistry().listsProductCode(manager.productCode()))
            return noModelClass(session);
        if (const ExitCode switched = session.switchTo(DeviceMode::FSK);
            switched != ExitCode::Success)
            return switched;
    }
    if (!manager.hasModelClass())
        return noModelClass(session);
    return ExitCode::Success;
}

std::shared_ptr<DeviceModel> newModelForDevice(const DeviceManager &manager)
{
    if (!manager.parameterVersion())
        return nullptr;
    const int productCode = manager.productCode();
    const int parameterVersion = *manager.parameterVersion();
    const ModelClassInfo *modelClass = findModelClass(productCode, parameterVersion);
    if (!modelClass || !modelClass->create)
        return nullptr;
    auto model =
        std::dynamic_pointer_cast<DeviceModel>(modelClass->create(productCode, parameterVersion));
    if (model)
        model->info().setSerialNumber(manager.serialNumber());
    return model;
}

bool modelSuitsDevice(const DeviceModel &model, const DeviceManager &manager)
{
    return manager.parameterVersion() && model.info().productCode() == manager.productCode() &&
           model.info().parameterVersion() == *manager.parameterVersion();
}

DeviceConnectionError syncModel(DeviceSession &session, DeviceModel &model,
                                InitialSyncDirection direction)
{
    sizeSingleSection(model, session.manager());
    return session.runWithProgress(
        direction == InitialSyncDirection::DeviceToComputer ? QStringLiteral("Reading settings")
                                                            : QStringLiteral("Writing settings"),
        [&](DeviceConnection::Progress progress, DeviceConnection::Done done) {
            model.memory().setSyncConnectionAsync(&session.connection(),
                                                  session.manager().targetSections(), direction,
                                                  std::move(progress), std::move(done));
        });
}

ExitCode reidentify(DeviceSession &session)
{
    DeviceManager &manager = session.manager();
    bool identified = false;
    bool failed = false;
    // The watches end with this function.
    const QObject watchScope;
    QObject::connect(&manager, &DeviceManager::deviceStateChanged, &watchScope,
                     [&] { identified = true; });
    QObject::connect(
        &manager, &DeviceManager::errorOccurred, &watchScope,
        [&](DeviceManagerError error) { failed = failed || endsIdentification(error); });
    manager.reidentify();
    const DeviceSession::Wait wait = session.waitUntil(
        [&] { return failed || (identified && !manager.isBusy()); }, kReidentifyTimeoutMs);
    if (wait == DeviceSession::Wait::Done && !failed)
        return ExitCode::Success;
    // The manager has shown its own message for a failed run.
    if (failed)
        return ExitCode::Failed;
    return session.fail(DeviceConnectionError::NoReply);
}
