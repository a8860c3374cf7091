#pragma once

#include <QJsonValue>
#include <QList>
#include <QString>

class DeviceModel;

// One way two models differ: a setting by its path ("cpSettings.servo[3].travel"), the device
// variant they are for ("productCode", "parameterVersion"), a section's size ("section 2
// size"), or bytes that no named setting covers ("section 2 bytes", the differing stretch as
// hexadecimal text). A value the model does not have is null.
struct ModelDifference
{
    QString path;
    QJsonValue first;
    QJsonValue second;
};

// Every difference between the settings of two models; empty when they are equal. Names,
// pictures, notes and serial numbers are not settings.
[[nodiscard]] QList<ModelDifference> modelDifferences(const DeviceModel &first,
                                                      const DeviceModel &second);
