#pragma once

#include "models/devicemodel.h"
#include "models/modelclassinfo.h"

#include <QByteArray>
#include <QList>

// Two small model classes for tests, registered with ScopedModelClasses:
//   TestSingleSectionModel, one 24-byte section (devices (0xD9, 0xFF) and (0x3A, 0)):
//     root: { mode: u8, flags: u8 { low: 0..4, high: 4..8 }, trim: i16,
//             servo: { pulse: u16, reverse: u8 }[2], rfu: u8[2], gain: u32[3] }
//   TestMultiSectionModel, three sections (device (0x83, 5)):
//     0  failsafe: u32                                (no readable mirror: no fields)
//     1  general: { enabled: u8, level: i8, rate: u16 }
//     2  mixer: { weight: i16[2] }
// Both start with their default bytes; resetToDefaults restores them.
class TestSingleSectionModel : public DeviceModel
{
    Q_OBJECT

public:
    static constexpr int kProductCode = 0xD9;
    static constexpr int kParameterVersion = 0xFF;
    static constexpr int kOtherProductCode = 0x3A;
    static constexpr int kOtherParameterVersion = 0;

    TestSingleSectionModel(int productCode = kProductCode,
                           int parameterVersion = kParameterVersion);

    static const ModelClassInfo *getModelClassInfoStatic();
    [[nodiscard]] const ModelClassInfo *getModelClassInfo() const override
    {
        return getModelClassInfoStatic();
    }
    void createEditorPages(PageInfoList &) const override {}
    static LayoutNode schema();
    static QByteArray defaultBytes();
    void resetToDefaults() override { resetSectionZeroTo(defaultBytes()); }

    // Setting address = byte offset into section 0; the value is that byte.
    [[nodiscard]] int getValueMemory(DeviceSetting setting, int channel) const override;
    void setValueMemory(DeviceSetting setting, int channel, int value) override;
};

class TestMultiSectionModel : public DeviceModel
{
    Q_OBJECT

public:
    static constexpr int kProductCode = 0x83;
    static constexpr int kParameterVersion = 5;

    TestMultiSectionModel(int productCode = kProductCode, int parameterVersion = kParameterVersion);

    static const ModelClassInfo *getModelClassInfoStatic();
    [[nodiscard]] const ModelClassInfo *getModelClassInfo() const override
    {
        return getModelClassInfoStatic();
    }
    void createEditorPages(PageInfoList &) const override {}
    static QList<TargetSection> defaultSections();
    void resetToDefaults() override;
};

// Both classes in the order above.
[[nodiscard]] QList<const ModelClassInfo *> testModelClasses();
