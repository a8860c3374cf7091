#pragma once

#include "devicestate/devicememory.h"
#include "models/model.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <cstdint>

// The address of one receiver setting: byte 0 the setting type, byte 1 the flight mode
// (1-based), byte 2 the output port (1-based), byte 3 a secondary index (mix, point).
using DeviceSetting = std::uint32_t;

// What one edit of a model can change: the bytes of every section and the state a class keeps
// beside them (DeviceModel::extraEditState). The edit history keeps these as its steps.
struct DeviceModelEditState
{
    QList<QByteArray> sections;
    QJsonObject extra;

    bool operator==(const DeviceModelEditState &) const = default;
};

// Common base of the model classes: the settings as the sections of an owned DeviceMemory,
// the file format, the model CRC and the comparison with a device.
class DeviceModel : public Model
{
    Q_OBJECT

public:
    enum WingType {
        WingTypeNormal = 0,
        WingTypeDualAileron = 1,
        WingTypeFlaperon = 2,
        WingTypeOneAileronOneFlap = 3,
        WingTypeOneAileronTwoFlaps = 4,
        WingTypeTwoAileronsOneFlap = 5,
        WingTypeTwoAileronsTwoFlaps = 6,
        WingTypeElevon = 7,
        WingTypeElevonA = 8,
        WingTypeElevonB = 9,
        WingTypeFourAilerons = 10,
        WingTypeEnd = 11,
        WingTypeInvalid = 12,
    };
    Q_ENUM(WingType)

    enum TailType {
        TailTypeNormal = 0,
        TailTypeVTail = 1,
        TailTypeDualElevator = 2,
        TailTypeDualRudder = 3,
        TailTypeDualRudderAndElevator = 4,
        TailTypeSailplaneWing = 5,
        TailTypeElevonNoRudder = 6,
        TailTypeElevonRudder = 7,
        TailTypeElevonDualRudder = 8,
    };
    Q_ENUM(TailType)

    // Several sections (defaults checked against schema sizes by DeviceMemory).
    explicit DeviceModel(QList<TargetSection> sections, QObject *parent = nullptr);
    // One section with empty bytes and this schema; the class fills the bytes.
    explicit DeviceModel(LayoutNode schema, QObject *parent = nullptr);

    [[nodiscard]] DeviceMemory &memory() { return *m_memory; }
    [[nodiscard]] const DeviceMemory &memory() const { return *m_memory; }

    [[nodiscard]] QByteArray toFileData() const override;
    bool fromFileData(const QByteArray &data) override;
    [[nodiscard]] virtual QJsonDocument toJsonDocument() const;
    virtual bool fromJsonDocument(const QJsonDocument &document);
    [[nodiscard]] const QJsonObject &sourceObject() const { return m_sourceObject; }

    [[nodiscard]] std::uint32_t modelCrc() const override;
    [[nodiscard]] bool matchesDeviceCrcs(std::uint32_t wholeCrc,
                                         const QList<SectionMetadata> &sections) const override;
    void sync(std::function<void(bool)> done) override;
    [[nodiscard]] bool isSynced() const override;

    [[nodiscard]] virtual int getValueMemory(DeviceSetting setting, int channel) const;
    virtual void setValueMemory(DeviceSetting setting, int channel, int value);
    // The public pair: the setter emits settingsChanged after storing.
    [[nodiscard]] int value(DeviceSetting setting, int channel) const
    {
        return getValueMemory(setting, channel);
    }
    void setValue(DeviceSetting setting, int channel, int value);

    [[nodiscard]] DeviceModelEditState editState() const;
    // Puts back a state that editState gave, as an edit: allSettingsChanged follows, so the
    // library saves the model and a connected device is patched. Sections the model no longer
    // has are left out.
    void restoreEditState(const DeviceModelEditState &state);

    [[nodiscard]] static QString surfaceName(int code);
    [[nodiscard]] static QString axisName(int code);
    [[nodiscard]] static QString axisSurfaceName(int code);
    [[nodiscard]] static QString aircraftTypeName(int aircraftType);
    [[nodiscard]] static QString flightModeName(int number, bool shortForm);
    [[nodiscard]] static int scalarTypeSize(int typeCode);

signals:
    void settingsChanged();
    void allSettingsChanged();

protected:
    // The shared reset of single-section classes: section 0 back to `defaultImage`, then
    // allSettingsChanged.
    void resetSectionZeroTo(const QByteArray &defaultImage);
    // The state an edit can change besides the section bytes (names kept only in the file),
    // for undo; none by default. The restore stores it without emitting anything.
    [[nodiscard]] virtual QJsonObject extraEditState() const { return {}; }
    virtual void restoreExtraEditState(const QJsonObject &) {}

private:
    enum class FileLayout { SingleSection, Sections };

    void connectSignals();
    [[nodiscard]] bool loadSingleSection(const QJsonObject &root);
    [[nodiscard]] bool loadSections(const QJsonObject &root);
    void loadInfo(const QJsonObject &root);

    QJsonObject m_sourceObject;
    DeviceMemory *m_memory = nullptr; // child object
    // Fixed by the constructor: a sync may drop trailing sections of a multi-section model,
    // and its file must still be readable by a new model of its class.
    FileLayout m_fileLayout = FileLayout::SingleSection;
};
