#pragma once

#include "devicestate/targetsection.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class Model;
class ModelInfo;

// What identification learned about the device that a model must equal to be its model.
struct IdentifiedDevice
{
    QString serialNumber;
    int productCode = 0;
    std::optional<int> parameterVersion;
    std::uint32_t parameterCrc = 0;
    QList<SectionMetadata> sections;
};

// Which library model becomes the connected device's model without asking the user.
namespace modelchoice {

// The library's models in the order they are tried: the current model first, then, ahead
// of it, the model last synced with the device. Each entry is a file name.
[[nodiscard]] QStringList syncOrder(const QStringList &libraryOrder, const QString &currentModel,
                                    const QString &lastSyncedModel);

// Whether the library's description of a model names this device and its settings version;
// only such models are opened to compare their settings.
[[nodiscard]] bool describesDevice(const ModelInfo &info, const IdentifiedDevice &device);

// Opens the model of a file name; null when it does not load.
using ModelOpener = std::function<std::shared_ptr<Model>(const QString &fileName)>;
// Receives each compared pair of CRCs (model, device).
using CrcTrace = std::function<void(std::uint32_t modelCrc, std::uint32_t deviceCrc)>;

// The first model, in `order`, that describes the device and whose settings equal the
// device's; null when none does.
[[nodiscard]] std::shared_ptr<Model>
findMatchingModel(const QStringList &order,
                  const std::function<std::optional<ModelInfo>(const QString &)> &describe,
                  const ModelOpener &open, const IdentifiedDevice &device,
                  const CrcTrace &trace = {});

} // namespace modelchoice
