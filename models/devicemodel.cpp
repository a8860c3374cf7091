// DeviceModel: construction, the signal wiring between model, library and device memory,
// sync, and the setting access pair.
#include "models/devicemodel.h"

#include <QTimer>

#include <algorithm>

DeviceModel::DeviceModel(QList<TargetSection> sections, QObject *parent)
    : Model(parent)
    , m_fileLayout(sections.size() > 1 ? FileLayout::Sections : FileLayout::SingleSection)
{
    m_memory = new DeviceMemory(std::move(sections), FlashTarget::ParameterMemory, this);
    connectSignals();
}

DeviceModel::DeviceModel(LayoutNode schema, QObject *parent)
    : Model(parent)
{
    m_memory = new DeviceMemory(std::move(schema), FlashTarget::ParameterMemory, this);
    connectSignals();
}

void DeviceModel::connectSignals()
{
    connect(this, &DeviceModel::allSettingsChanged, this, &DeviceModel::settingsChanged);
    // Without this a model read from its device would never reach its file.
    connect(m_memory, &DeviceMemory::sectionsReplaced, this, &DeviceModel::allSettingsChanged);
    // The library saves the file after its delay; the memory patches a connected device.
    connect(this, &DeviceModel::settingsChanged, this, [this] {
        notifyLibrary();
        emit m_memory->settingsChanged();
    });
}

void DeviceModel::sync(std::function<void(bool)> done)
{
    Model::sync([this, done = std::move(done)](bool failed) mutable {
        if (failed)
            done(true);
        else
            m_memory->sync(std::move(done));
    });
}

bool DeviceModel::isSynced() const
{
    return m_memory->isSynced();
}

int DeviceModel::getValueMemory(DeviceSetting, int) const
{
    return 0;
}

void DeviceModel::setValueMemory(DeviceSetting, int, int)
{}

void DeviceModel::setValue(DeviceSetting setting, int channel, int value)
{
    setValueMemory(setting, channel, value);
    emit settingsChanged();
}

DeviceModelEditState DeviceModel::editState() const
{
    DeviceModelEditState state;
    for (const TargetSection &section : m_memory->sections())
        state.sections.append(section.modelData);
    state.extra = extraEditState();
    return state;
}

void DeviceModel::restoreEditState(const DeviceModelEditState &state)
{
    const int count = std::min(int(state.sections.size()), m_memory->sectionCount());
    for (int index = 0; index < count; ++index)
        m_memory->setModelData(index, state.sections.at(index));
    restoreExtraEditState(state.extra);
    // Any setting may have changed, and the transmitter's pages follow its aircraft type.
    emit allSettingsChanged();
}

void DeviceModel::resetSectionZeroTo(const QByteArray &defaultImage)
{
    m_memory->setModelData(0, defaultImage);
    emit allSettingsChanged();
}
