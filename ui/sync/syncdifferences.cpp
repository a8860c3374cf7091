#include "ui/sync/syncdifferences.h"

#include "device/deviceiothread.h"
#include "devicestate/devicemanager.h"
#include "models/devicemodel.h"
#include "models/modelclassinfo.h"
#include "models/modellibrary.h"
#include "ui/sync/syncdefaultmodel.h"
#include "ui/sync/syncrun.h"

#include <QObject>
#include <QPointer>

#include <memory>

namespace modelsync {

namespace {

// A model of `modelClass` for that variant holding `sections` (index = section id), or null.
std::shared_ptr<DeviceModel> modelWith(const ModelClassInfo *modelClass, int productCode,
                                       int parameterVersion, const QList<QByteArray> &sections)
{
    if (!modelClass || !modelClass->create)
        return nullptr;
    auto model =
        std::dynamic_pointer_cast<DeviceModel>(modelClass->create(productCode, parameterVersion));
    if (!model)
        return nullptr;
    model->memory().ensureSectionCount(int(sections.size()));
    for (int i = 0; i < sections.size(); ++i)
        model->memory().setModelData(i, sections.at(i));
    return model;
}

QList<QByteArray> sectionBytes(const DeviceModel &model)
{
    QList<QByteArray> bytes;
    for (int i = 0; i < model.memory().sectionCount(); ++i)
        bytes.append(model.memory().modelData(i));
    return bytes;
}

void growTo(QList<QByteArray> &sections, int count)
{
    while (sections.size() < count)
        sections.append(QByteArray());
}

struct ReadState
{
    QPointer<DeviceConnection> connection;
    FlashTarget target = FlashTarget::ParameterMemory;
    QList<SectionMetadata> toRead;
    DeviceImage image;
    std::shared_ptr<DeviceModel> model;
    QPointer<const QObject> owner;
    DifferencesDone done;
};

void finish(const std::shared_ptr<ReadState> &state,
            std::expected<QList<ModelDifference>, QString> result)
{
    if (state->owner && state->done)
        state->done(std::move(result));
}

void readNext(const std::shared_ptr<ReadState> &state)
{
    if (!state->owner)
        return;
    const qsizetype next = state->image.sections.size();
    if (next == state->toRead.size()) {
        finish(state, writeDifferences(*state->model, state->image));
        return;
    }
    if (!state->connection) {
        finish(state, std::unexpected(kDifferencesReadFailedText));
        return;
    }
    const SectionMetadata section = state->toRead.at(next);
    state->connection->fskAdvRead(
        state->target, section.id, 0, section.size, {},
        [state, section](DeviceConnectionError error, const QByteArray &bytes) {
            if (error != DeviceConnectionError::NoError || bytes.size() != section.size) {
                finish(state, std::unexpected(kDifferencesReadFailedText));
                return;
            }
            state->image.sections.append({section.id, bytes});
            readNext(state);
        });
}

} // namespace

QList<SectionMetadata> sectionsToCompare(const QList<SectionMetadata> &deviceTable,
                                         const DeviceModel &model)
{
    const DeviceMemory &memory = model.memory();
    if (memory.sectionCount() == 1) {
        // The sync transfers a single image at the size its model class set for the device.
        const qsizetype size = memory.section(0).deviceData.size();
        if (size <= 0)
            return {};
        return {SectionMetadata{0, std::uint16_t(size), std::nullopt}};
    }
    QList<SectionMetadata> sections;
    for (const SectionMetadata &entry : deviceTable)
        if (entry.size > 0)
            sections.append(entry);
    return sections;
}

QList<ModelDifference> writeDifferences(const DeviceModel &model, const DeviceImage &device)
{
    const bool sameVariant = model.info().productCode() == device.productCode &&
                             model.info().parameterVersion() == device.parameterVersion;
    QList<QByteArray> written = sectionBytes(model);
    QList<QByteArray> held = sameVariant ? written : QList<QByteArray>();
    for (const DeviceSectionImage &section : device.sections) {
        const int id = section.id;
        growTo(held, id + 1);
        held[id] = section.bytes;
        if (!sameVariant)
            continue;
        growTo(written, id + 1);
        QByteArray &bytes = written[id];
        if (bytes.size() > section.bytes.size())
            bytes.truncate(section.bytes.size());
        else
            bytes.append(section.bytes.mid(bytes.size()));
    }

    const ModelClassInfo *modelClass = model.getModelClassInfo();
    const ModelClassInfo *deviceClass = findModelClass(device.productCode, device.parameterVersion);
    const std::shared_ptr<DeviceModel> computerSide =
        modelWith(modelClass, model.info().productCode(), model.info().parameterVersion(), written);
    const std::shared_ptr<DeviceModel> deviceSide = modelWith(
        deviceClass ? deviceClass : modelClass, device.productCode, device.parameterVersion, held);
    if (!computerSide || !deviceSide)
        return {};
    return modelDifferences(*computerSide, *deviceSide);
}

void startDifferences(const SyncContext &context, const QString &selection, const QObject *owner,
                      DifferencesDone done)
{
    auto state = std::make_shared<ReadState>();
    state->owner = owner;
    state->done = std::move(done);
    // A failure found before the first read is still reported from the event loop, as every
    // device operation reports.
    const auto fail = [state](const QString &text) {
        deviceio::defer([state, text] { finish(state, std::unexpected(text)); });
    };

    DeviceManager *manager = context.deviceManager;
    if (!manager || !manager->parameterVersion()) {
        fail(kDifferencesReadFailedText);
        return;
    }
    const SyncDevice device = syncDeviceOf(*manager);
    if (selection == kNewModelMarker)
        state->model = newModelFor(device);
    else if (context.library)
        state->model =
            std::dynamic_pointer_cast<DeviceModel>(context.library->openModel(selection));
    if (!state->model) {
        fail(kDifferencesModelFailedText);
        return;
    }
    state->toRead = sectionsToCompare(manager->targetSections(), *state->model);
    if (state->toRead.isEmpty()) {
        fail(kDifferencesReadFailedText);
        return;
    }
    state->connection = manager->connection();
    state->target = state->model->memory().flashTarget();
    state->image.productCode = device.productCode;
    state->image.parameterVersion = *device.parameterVersion;
    readNext(state);
}

} // namespace modelsync
