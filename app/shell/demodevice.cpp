#include "app/shell/demodevice.h"

#include "app/log.h"
#include "device/streamenumeration.h"
#include "devsim/devicesimulator.h"
#include "devsim/devicestatefile.h"
#include "devsim/profiles.h"
#include "devsim/simulatedcabledevice.h"
#include "models/devicemodel.h"
#include "models/modelclassinfo.h"
#include "platform/ftdi/simulatedftdibackend.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString kLogCategory = QStringLiteral("Demo");

// A demo device seen for the first time holds the settings a new model of its class starts
// with, as a device from the factory would, rather than the simulator's test patterns: its
// pages then show a coherent aircraft. Sections the class does not know keep their bytes.
void useFactorySettings(devsim::DeviceProfile &profile)
{
    const ModelClassInfo *modelClass =
        findModelClass(profile.productCode, profile.parameterVersion);
    if (!modelClass)
        return;
    const auto model = std::dynamic_pointer_cast<DeviceModel>(
        modelClass->create(profile.productCode, profile.parameterVersion));
    if (!model)
        return;
    const QList<TargetSection> &sections = model->memory().sections();
    for (devsim::ProfileTarget &target : profile.targets) {
        if (target.target != devsim::kParameterTarget)
            continue;
        for (std::size_t index = 0;
             index < target.sections.size() && index < std::size_t(sections.size()); ++index) {
            // A new model's bytes are its class's defaults.
            const QByteArray &bytes = sections.at(qsizetype(index)).modelData;
            if (bytes.size() == target.sections[index].contents.size())
                target.sections[index].contents = bytes;
        }
    }
}

} // namespace

std::expected<std::unique_ptr<DemoDevice>, QString> DemoDevice::create(const QString &profileName,
                                                                       const QString &stateFile)
{
    std::optional<devsim::DeviceProfile> profile = devsim::profiles::profileByName(profileName);
    if (!profile)
        return std::unexpected(
            QStringLiteral("unknown demo device \"%1\"; known are: %2")
                .arg(profileName, devsim::profiles::names().join(QStringLiteral(", "))));
    if (!QFileInfo::exists(stateFile))
        useFactorySettings(*profile);
    if (const auto loaded = devsim::loadDeviceStateFile(stateFile, *profile); !loaded)
        return std::unexpected(loaded.error());
    auto simulator =
        std::make_shared<devsim::DeviceSimulator>(*profile, devsim::DeviceSimulator::Power::Off);
    return std::unique_ptr<DemoDevice>(
        new DemoDevice(profileName, stateFile, std::move(simulator)));
}

DemoDevice::DemoDevice(QString profileName, QString stateFile,
                       std::shared_ptr<devsim::DeviceSimulator> simulator)
    : m_profileName(std::move(profileName))
    , m_stateFile(std::move(stateFile))
    , m_simulator(std::move(simulator))
    , m_backend(std::make_shared<ftdi::SimulatedFtdiBackend>())
{
    m_backend->addCable(kCableSerial, std::make_shared<devsim::SimulatedCableDevice>(m_simulator));
    m_savedState = m_simulator->withDevice(
        [](devsim::SimulatedDevice &device) { return devsim::deviceStateToJson(device.state()); });
}

DemoDevice::~DemoDevice() = default;

void DemoDevice::unplug()
{
    if (!m_pluggedIn)
        return;
    m_backend->removeCable(kCableSerial);
    // Unplugged from the computer, the cable no longer powers the device.
    m_simulator->setPowered(false);
    m_pluggedIn = false;
}

void DemoDevice::plugIn()
{
    if (m_pluggedIn)
        return;
    m_backend->addCable(kCableSerial, std::make_shared<devsim::SimulatedCableDevice>(m_simulator));
    m_pluggedIn = true;
}

DeviceStreamEnumerator DemoDevice::enumerator() const
{
    return [backend = m_backend](bool ftdiPidEnabled) {
        return availableStreams(ftdiPidEnabled, *backend, {}, SerialPortLister{});
    };
}

std::function<void()> DemoDevice::cableLogger() const
{
    return [backend = m_backend] { logFtdiCables(*backend); };
}

bool DemoDevice::saveState()
{
    const QByteArray state = m_simulator->withDevice(
        [](devsim::SimulatedDevice &device) { return devsim::deviceStateToJson(device.state()); });
    if (state == m_savedState)
        return true;
    QDir().mkpath(QFileInfo(m_stateFile).absolutePath());
    const auto saved = m_simulator->withDevice([&](devsim::SimulatedDevice &device) {
        return devsim::saveDeviceStateFile(m_stateFile, device.state());
    });
    if (!saved) {
        log(kLogCategory,
            QStringLiteral("Could not keep the demo device's memory: %1").arg(saved.error()));
        return false;
    }
    m_savedState = state;
    return true;
}
