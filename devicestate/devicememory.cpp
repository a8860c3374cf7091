// DeviceMemory: construction, section access and the attachment to a connection.
#include "devicestate/devicememory.h"

#include <stdexcept>

namespace {

void checkSections(const QList<TargetSection> &sections)
{
    if (sections.isEmpty())
        throw std::invalid_argument("sections must not be empty");
    // A single-section memory gets its sizes from its owner, so only lists are checked.
    if (sections.size() < 2)
        return;
    for (const TargetSection &section : sections) {
        if (section.defaults.size() != section.schema.elementSize())
            throw std::invalid_argument("size of defaults must match schema size");
    }
}

TargetSection sectionWithSchema(LayoutNode schema)
{
    TargetSection section;
    section.schema = std::move(schema);
    return section;
}

} // namespace

DeviceMemory::DeviceMemory(QList<TargetSection> sections, FlashTarget target, QObject *parent)
    : QObject(parent)
    , m_sections(std::move(sections))
    , m_flashTarget(target)
{
    checkSections(m_sections);
    m_saveTimer.setSingleShot(true);
    m_saveTimer.setInterval(kFlashCommitDelayMs);
    connect(&m_saveTimer, &QTimer::timeout, this,
            [this] { saveFlash([](DeviceConnectionError) {}); });
    connect(this, &DeviceMemory::errorSyncing, this, &DeviceMemory::onErrorSyncing);
    connect(this, &DeviceMemory::settingsChanged, this, &DeviceMemory::syncMemory);
}

DeviceMemory::DeviceMemory(LayoutNode schema, FlashTarget target, QObject *parent)
    : DeviceMemory(QList<TargetSection>{sectionWithSchema(std::move(schema))}, target, parent)
{}

DeviceMemory::~DeviceMemory()
{
    *m_alive = false;
}

void DeviceMemory::setModelData(int index, QByteArray data)
{
    m_sections[index].modelData = std::move(data);
}

void DeviceMemory::setDeviceData(int index, QByteArray data)
{
    m_sections[index].deviceData = std::move(data);
}

void DeviceMemory::ensureSectionCount(int count)
{
    while (m_sections.size() < count)
        m_sections.append(TargetSection{});
}

void DeviceMemory::setSyncConnection(DeviceConnection *connection)
{
    // Patches the device has taken but not yet committed: this memory can no longer commit
    // them, and the device may drop them, so it must not claim to be in step.
    if (connection != m_syncConnection.data() && m_saveTimer.isActive()) {
        m_saveTimer.stop();
        markCommitOwed(QStringLiteral("Detached with changes not committed to the device's "
                                      "flash"));
    }
    if (m_syncConnection)
        disconnect(m_syncConnection, &DeviceConnection::modeSelected, this,
                   &DeviceMemory::onModeChanged);
    m_syncConnection = connection;
    if (connection)
        connect(connection, &DeviceConnection::modeSelected, this, &DeviceMemory::onModeChanged);
    emit syncConnectionChanged();
}

void DeviceMemory::onErrorSyncing()
{
    setSyncConnection(nullptr);
}

void DeviceMemory::onModeChanged()
{
    if (!m_syncConnection || m_syncConnection->mode() != DeviceMode::FSK)
        setSyncConnection(nullptr);
}
