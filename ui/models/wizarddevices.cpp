// The device choice of the model screens: every variant the model classes serve.
#include "ui/models/wizarddevices.h"

#include "models/model.h"

#include <QHash>

namespace {

QString hexByte(int value)
{
    return QStringLiteral("0x") + QString::number(value, 16).toUpper().rightJustified(2, u'0');
}

QString productLabel(int productCode)
{
    return QObject::tr("Device %1").arg(hexByte(productCode));
}

} // namespace

QList<DeviceChoice> deviceChoices()
{
    QList<ModelDevice> devices;
    QHash<QString, int> nameCounts;
    for (const ModelClassInfo *modelClass : allModelClasses()) {
        for (const ModelDevice &device : modelClass->devices) {
            devices.append(device);
            ++nameCounts[device.name];
        }
    }
    QList<DeviceChoice> choices;
    choices.reserve(devices.size());
    for (const ModelDevice &device : std::as_const(devices)) {
        QString label = device.name.isEmpty() ? productLabel(device.productCode) : device.name;
        // Two rows reading the same would make the user guess which settings layout a new
        // model gets.
        if (nameCounts.value(device.name) > 1)
            label = QObject::tr("%1 (settings version %2)").arg(label).arg(device.parameterVersion);
        choices.append({device, label});
    }
    return choices;
}

int indexOfDevice(const QList<DeviceChoice> &choices, int productCode, int parameterVersion)
{
    for (int i = 0; i < choices.size(); ++i) {
        const ModelDevice &device = choices.at(i).device;
        if (device.productCode == productCode && device.parameterVersion == parameterVersion)
            return i;
    }
    return -1;
}

QString deviceLabel(int productCode, int parameterVersion)
{
    const QList<DeviceChoice> choices = deviceChoices();
    const int index = indexOfDevice(choices, productCode, parameterVersion);
    if (index >= 0)
        return choices.at(index).label;
    return QObject::tr("%1 (settings version %2)")
        .arg(productLabel(productCode))
        .arg(parameterVersion);
}

std::shared_ptr<Model> createModelFor(const ModelDevice &device)
{
    const ModelClassInfo *modelClass = findModelClass(device.productCode, device.parameterVersion);
    if (!modelClass || !modelClass->create)
        return nullptr;
    return modelClass->create(device.productCode, device.parameterVersion);
}
