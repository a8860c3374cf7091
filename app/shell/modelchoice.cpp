#include "app/shell/modelchoice.h"

#include "models/model.h"
#include "models/modelinfo.h"

namespace modelchoice {

namespace {

void moveToFront(QStringList &list, const QString &fileName)
{
    if (fileName.isEmpty())
        return;
    const qsizetype index = list.indexOf(fileName);
    if (index > 0)
        list.move(index, 0);
}

} // namespace

QStringList syncOrder(const QStringList &libraryOrder, const QString &currentModel,
                      const QString &lastSyncedModel)
{
    QStringList order = libraryOrder;
    moveToFront(order, currentModel);
    moveToFront(order, lastSyncedModel);
    return order;
}

bool describesDevice(const ModelInfo &info, const IdentifiedDevice &device)
{
    return device.parameterVersion.has_value() && info.serialNumber() == device.serialNumber &&
           info.productCode() == device.productCode &&
           info.parameterVersion() == *device.parameterVersion;
}

std::shared_ptr<Model>
findMatchingModel(const QStringList &order,
                  const std::function<std::optional<ModelInfo>(const QString &)> &describe,
                  const ModelOpener &open, const IdentifiedDevice &device, const CrcTrace &trace)
{
    for (const QString &fileName : order) {
        const std::optional<ModelInfo> info = describe(fileName);
        if (!info || !describesDevice(*info, device))
            continue;
        std::shared_ptr<Model> model = open(fileName);
        if (!model)
            continue;
        if (trace)
            trace(model->modelCrc(), device.parameterCrc);
        if (model->matchesDeviceCrcs(device.parameterCrc, device.sections))
            return model;
    }
    return nullptr;
}

} // namespace modelchoice
