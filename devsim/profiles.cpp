#include "devsim/profiles.h"

#include <functional>
#include <utility>

namespace devsim::profiles {

namespace {

constexpr int kAirplaneReceiverProduct = 0xD9;
constexpr int kAirplaneReceiverBytes = 1856;
constexpr int kPlainReceiverParameters = 0xFF;

constexpr int kTrivorProduct = 0x83;
constexpr int kOlderTrivorParameters = 4;
constexpr int kNewerTrivorParameters = 5;
// Section sizes in id order.
constexpr std::array kOlderTrivorSections{32, 48, 4, 2483, 24, 196, 243, 32};
constexpr std::array kNewerTrivorSections{32, 1000, 16, 2468, 212, 340, 352, 32, 24, 4, 8, 8, 32};

constexpr int kTransmitterProduct = 0xEF;
constexpr int kTransmitterParameters = 1;
constexpr int kTransmitterModelBytes = 1564;
constexpr int kTxSystemSettingsBytes = 64;

constexpr int kStabiliserBoxProduct = 0x3A;
constexpr int kStabiliserBoxBytes = 1900;

constexpr int kBaseProduct = 0x6A;

// Capability bits of the application identification.
constexpr std::uint8_t kCalibrationProgress = 0x01;
constexpr std::uint8_t kFaaSerial = 0x04;
constexpr std::uint8_t kSectionCrcs = 0x08;

constexpr int kModernProtocol = 3;

DeviceProfile base(const QString &name, int productCode, int parameterVersion)
{
    DeviceProfile profile;
    profile.name = name;
    profile.productCode = productCode;
    profile.bootloaderProductCode = productCode;
    profile.parameterVersion = parameterVersion;
    return profile;
}

ProfileTarget target(std::uint8_t number, const std::vector<int> &sizes, int firstPattern = 0)
{
    ProfileTarget entry{number, {}};
    for (int id = 0; id < int(sizes.size()); ++id)
        entry.sections.push_back({std::uint8_t(id), patternBytes(firstPattern + id, sizes[id])});
    return entry;
}

template <std::size_t N> std::vector<int> sizes(const std::array<int, N> &list)
{
    return {list.begin(), list.end()};
}

const std::vector<std::pair<QString, std::function<DeviceProfile()>>> &registry()
{
    static const std::vector<std::pair<QString, std::function<DeviceProfile()>>> all{
        {QStringLiteral("airplane-receiver"), airplaneReceiver},
        {QStringLiteral("trivor-older"), [] { return trivorReceiver(Generation::Older); }},
        {QStringLiteral("trivor-newer"), [] { return trivorReceiver(Generation::Newer); }},
        {QStringLiteral("transmitter"), transmitter},
        {QStringLiteral("stabiliser-box"), stabiliserBox},
        {QStringLiteral("level-calibration-receiver"), levelCalibrationReceiver},
        {QStringLiteral("base-with-auxiliaries"), baseWithAuxiliaries},
    };
    return all;
}

} // namespace

QByteArray patternBytes(int id, int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + (i >> 8) + id * 31 + 1) & 0xFF);
    return bytes;
}

DeviceProfile airplaneReceiver()
{
    DeviceProfile profile = base(QStringLiteral("airplane-receiver"), kAirplaneReceiverProduct,
                                 kPlainReceiverParameters);
    profile.serialNumber = QByteArrayLiteral("ZX-RX-0001");
    profile.targets = {target(kParameterTarget, {kAirplaneReceiverBytes})};
    // Its second firmware generation reports how its level calibration goes; without that
    // the host would ask an updated receiver to calibrate and never learn that it had.
    profile.laterFirmwareMajor = 2;
    profile.laterFirmwareCapabilityBits = kCalibrationProgress;
    return profile;
}

DeviceProfile trivorReceiver(Generation generation)
{
    const bool newer = generation == Generation::Newer;
    DeviceProfile profile =
        base(newer ? QStringLiteral("trivor-newer") : QStringLiteral("trivor-older"),
             kTrivorProduct, newer ? kNewerTrivorParameters : kOlderTrivorParameters);
    profile.serialNumber =
        newer ? QByteArrayLiteral("ZX-TV5-0001") : QByteArrayLiteral("ZX-TV4-0001");
    profile.appVersionMajor = newer ? 3 : 2;
    profile.fskProtocolVersion = kModernProtocol;
    profile.capabilityBits = kSectionCrcs | (newer ? kFaaSerial : 0);
    if (newer)
        profile.faaSerialNumber = QByteArrayLiteral("FA3ZX0005551");
    profile.targets = {target(kParameterTarget,
                              newer ? sizes(kNewerTrivorSections) : sizes(kOlderTrivorSections))};
    return profile;
}

DeviceProfile transmitter()
{
    DeviceProfile profile =
        base(QStringLiteral("transmitter"), kTransmitterProduct, kTransmitterParameters);
    profile.serialNumber = QByteArrayLiteral("ZX-TX-0001");
    profile.targets = {target(kParameterTarget, {kTransmitterModelBytes}),
                       target(kTxSystemSettingsTarget, {kTxSystemSettingsBytes}, 100)};
    return profile;
}

DeviceProfile stabiliserBox()
{
    DeviceProfile profile = base(QStringLiteral("stabiliser-box"), kStabiliserBoxProduct, 0);
    profile.serialNumber = QByteArrayLiteral("ZX-GB-0001");
    profile.targets = {target(kParameterTarget, {kStabiliserBoxBytes})};
    return profile;
}

DeviceProfile levelCalibrationReceiver()
{
    DeviceProfile profile = airplaneReceiver();
    profile.name = QStringLiteral("level-calibration-receiver");
    profile.serialNumber = QByteArrayLiteral("ZX-RX-0002");
    profile.appVersionMajor = 2;
    profile.capabilityBits = kCalibrationProgress;
    profile.laterFirmwareMajor = 0;
    profile.calibration.calibrated = false;
    profile.tncSteps = std::uint8_t(profile.tncSteps & ~kSensorTncStep);
    return profile;
}

DeviceProfile baseWithAuxiliaries()
{
    DeviceProfile profile = base(QStringLiteral("base-with-auxiliaries"), kBaseProduct, 0);
    profile.serialNumber = QByteArrayLiteral("ZX-BASE-0001");
    profile.targets = {target(kParameterTarget, {256})};
    profile.auxiliaryDevices = {
        {QByteArrayLiteral("ZX-AUX-0101"), 0x89, 1, 4, 2, true},
        {QByteArrayLiteral("ZX-AUX-0102"), 0x8D, 2, 0, 7, true},
    };
    return profile;
}

QStringList names()
{
    QStringList all;
    for (const auto &[name, make] : registry())
        all << name;
    return all;
}

std::optional<DeviceProfile> profileByName(const QString &name)
{
    for (const auto &[known, make] : registry()) {
        if (known == name)
            return make();
    }
    return std::nullopt;
}

} // namespace devsim::profiles
