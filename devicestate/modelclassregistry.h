#pragma once

#include <QList>
#include <QString>

#include <optional>

// One device variant a model class handles.
struct ModelClassDevice
{
    int productCode = 0;
    int parameterVersion = 0;

    bool operator==(const ModelClassDevice &) const = default;
};

// What the device layer needs to know of one model class. The model classes sit above this
// layer; they describe themselves through a ModelClassRegistry handed to the device manager.
struct ModelClassEntry
{
    QString className;                  // e.g. "AirplaneRxModel"
    int registryIndex = -1;             // position in the registry, to map back to the class
    bool backedByDeviceSections = true; // models of the class hold device sections
    QList<ModelClassDevice> devices;    // in the class's list order
};

// The ordered list of model classes.
class ModelClassRegistry
{
public:
    virtual ~ModelClassRegistry() = default;
    // The classes in registry order; registryIndex of entry i is i.
    [[nodiscard]] virtual QList<ModelClassEntry> modelClasses() const = 0;

    // The first class, in registry order and then in each class's device order, with a device
    // of exactly this product code and parameter version.
    [[nodiscard]] std::optional<ModelClassEntry> classFor(int productCode,
                                                          int parameterVersion) const
    {
        for (const ModelClassEntry &entry : modelClasses())
            for (const ModelClassDevice &device : entry.devices)
                if (device.productCode == productCode &&
                    device.parameterVersion == parameterVersion)
                    return entry;
        return std::nullopt;
    }

    // Whether some class lists this product code, with any parameter version.
    [[nodiscard]] bool listsProductCode(int productCode) const
    {
        for (const ModelClassEntry &entry : modelClasses())
            for (const ModelClassDevice &device : entry.devices)
                if (device.productCode == productCode)
                    return true;
        return false;
    }
};

// A registry holding a fixed list; tests fill one with the classes they need.
class ListModelClassRegistry final : public ModelClassRegistry
{
public:
    ListModelClassRegistry() = default;
    explicit ListModelClassRegistry(QList<ModelClassEntry> entries)
    {
        for (ModelClassEntry &entry : entries)
            add(std::move(entry));
    }

    void add(ModelClassEntry entry)
    {
        entry.registryIndex = int(m_entries.size());
        m_entries.append(std::move(entry));
    }

    [[nodiscard]] QList<ModelClassEntry> modelClasses() const override { return m_entries; }

private:
    QList<ModelClassEntry> m_entries;
};
