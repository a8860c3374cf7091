#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class Model;
class ModelInfo;
class ModelClassRegistry;

// One device variant a model class handles.
struct ModelDevice
{
    int productCode = 0;
    int parameterVersion = 0;
    QString name; // the variant's display name
};

// Static description of one model class.
struct ModelClassInfo
{
    QString extension; // without the dot: "zrm"
    std::function<std::shared_ptr<Model>(int productCode, int parameterVersion)> create;
    QList<ModelDevice> devices;
    // Newer variants a model with this info can be upgraded to; unset means none.
    std::function<QList<ModelDevice>(const ModelInfo &)> upgradeTargets;
    QString className; // e.g. "AirplaneRxModel", for logs and the CLI
};

// The model classes in their fixed order.
[[nodiscard]] const QList<const ModelClassInfo *> &allModelClasses();

// Replaces the list of model classes while it lives; tests register their own classes.
class ScopedModelClasses
{
public:
    explicit ScopedModelClasses(QList<const ModelClassInfo *> classes);
    ~ScopedModelClasses();
    ScopedModelClasses(const ScopedModelClasses &) = delete;
    ScopedModelClasses &operator=(const ScopedModelClasses &) = delete;

private:
    QList<const ModelClassInfo *> m_previous;
};

// The first row of allModelClasses, in class order and device order, with both values equal.
[[nodiscard]] std::optional<ModelDevice> findModelDevice(int productCode, int parameterVersion);
// The class whose devices list that row, or nullptr.
[[nodiscard]] const ModelClassInfo *findModelClass(int productCode, int parameterVersion);

// allModelClasses as the device manager sees it (always reflects the current list).
[[nodiscard]] const ModelClassRegistry &modelClassRegistry();
