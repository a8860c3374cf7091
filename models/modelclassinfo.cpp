// The list of model classes, the look-up of a device variant, and the list as the device
// manager sees it.
#include "models/modelclassinfo.h"

#include "devicestate/modelclassregistry.h"
#include "models/classes/modelclasslist.h"

namespace {

QList<const ModelClassInfo *> &currentModelClasses()
{
    static QList<const ModelClassInfo *> classes = builtinModelClasses();
    return classes;
}

// Reads the current list on every call, so a test's ScopedModelClasses shows through.
class CurrentModelClassRegistry final : public ModelClassRegistry
{
public:
    [[nodiscard]] QList<ModelClassEntry> modelClasses() const override
    {
        QList<ModelClassEntry> entries;
        for (const ModelClassInfo *modelClass : allModelClasses()) {
            ModelClassEntry entry;
            entry.className = modelClass->className;
            entry.registryIndex = int(entries.size());
            for (const ModelDevice &device : modelClass->devices)
                entry.devices.append({device.productCode, device.parameterVersion});
            entries.append(std::move(entry));
        }
        return entries;
    }
};

} // namespace

const QList<const ModelClassInfo *> &allModelClasses()
{
    return currentModelClasses();
}

ScopedModelClasses::ScopedModelClasses(QList<const ModelClassInfo *> classes)
    : m_previous(std::exchange(currentModelClasses(), std::move(classes)))
{}

ScopedModelClasses::~ScopedModelClasses()
{
    currentModelClasses() = std::move(m_previous);
}

namespace {

std::optional<std::pair<const ModelClassInfo *, ModelDevice>> findRow(int productCode,
                                                                      int parameterVersion)
{
    for (const ModelClassInfo *modelClass : allModelClasses())
        for (const ModelDevice &device : modelClass->devices)
            if (device.productCode == productCode && device.parameterVersion == parameterVersion)
                return std::pair{modelClass, device};
    return std::nullopt;
}

} // namespace

std::optional<ModelDevice> findModelDevice(int productCode, int parameterVersion)
{
    const auto row = findRow(productCode, parameterVersion);
    return row ? std::optional(row->second) : std::nullopt;
}

const ModelClassInfo *findModelClass(int productCode, int parameterVersion)
{
    const auto row = findRow(productCode, parameterVersion);
    return row ? row->first : nullptr;
}

const ModelClassRegistry &modelClassRegistry()
{
    static const CurrentModelClassRegistry registry;
    return registry;
}
