#pragma once

// A DeviceMemory beside the real connection to a simulated device, with the log installed.

#include "app/log.h"
#include "device/deviceconnection.h"
#include "devicestate/devicememory.h"
#include "devsim/commandtable.h"
#include "devsim/devicesimulator.h"
#include "devsim/profiles.h"
#include "devsim/simulateddevicestream.h"

#include <QMutex>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <optional>
#include <utility>

namespace memorytest {

inline constexpr int kWaitMs = 10000;

// Short enough that a dropped reply fails fast, long enough for a loaded machine.
inline ConnectionTimings quickTimings()
{
    ConnectionTimings timings;
    timings.ackTimeoutMs = 1000;
    timings.inputResetMs = 400;
    timings.modeSwitchTimeoutMs = 1000;
    timings.announcementSettleMs = 20;
    return timings;
}

// A section of `size` bytes with a one-field schema of that size and zero defaults.
inline TargetSection sizedSection(int id, int size, QByteArray modelData = {})
{
    TargetSection section;
    section.schema = LayoutNode::block(
        QStringLiteral("section%1").arg(id),
        {LayoutNode::scalar(QStringLiteral("bytes"), LayoutType::U8, {std::max(size, 1)})});
    section.defaults = QByteArray(section.schema.elementSize(), '\0');
    section.modelData = std::move(modelData);
    return section;
}

// The device's advanced writes as (section byte, address, length), as they arrive.
struct WriteRecord
{
    QMutex mutex;
    QList<std::tuple<int, int, int>> writes;

    QList<std::tuple<int, int, int>> taken()
    {
        QMutexLocker lock(&mutex);
        return std::exchange(writes, {});
    }
};

inline devsim::CommandTable recordingTable(const std::shared_ptr<WriteRecord> &record)
{
    devsim::CommandTable table = devsim::standardCommandTable();
    const devsim::CommandHandler original =
        *table.find(devsim::Protocol::Fsk, devsim::fskcmd::kAdvWrite);
    table.set(devsim::Protocol::Fsk, devsim::fskcmd::kAdvWrite,
              [record, original](const devsim::HostRequest &request, devsim::DeviceState &state) {
                  if (request.payload.size() >= 4) {
                      QMutexLocker lock(&record->mutex);
                      const int address =
                          std::uint8_t(request.payload[2]) | std::uint8_t(request.payload[3]) << 8;
                      record->writes.append({std::uint8_t(request.payload[0]), address,
                                             int(request.payload.size()) - 4});
                  }
                  return original(request, state);
              });
    return table;
}

struct Link
{
    Log log;
    devsim::DeviceProfile profile;
    std::shared_ptr<devsim::DeviceSimulator> simulator;
    std::unique_ptr<DeviceConnection> connection;
    bool ready = false;

    explicit Link(devsim::DeviceProfile deviceProfile,
                  devsim::CommandTable commands = devsim::standardCommandTable())
        : profile(std::move(deviceProfile))
    {
        Log::install(&log);
        simulator = std::make_shared<devsim::DeviceSimulator>(
            profile, devsim::DeviceSimulator::Power::On, std::move(commands));
        DeviceConnection::Options options;
        options.timings = quickTimings();
        connection = std::make_unique<DeviceConnection>(options);
        connection->open(std::make_unique<devsim::SimulatedDeviceStream>(simulator), {});
        ready = QTest::qWaitFor([&] { return connection->mode() == DeviceMode::FSK; }, kWaitMs);
    }
    ~Link()
    {
        connection.reset();
        Log::install(nullptr);
    }

    // The device's sections of the parameter target, as its section table reports them.
    [[nodiscard]] QList<SectionMetadata> metadata() const
    {
        QList<SectionMetadata> list;
        for (const auto &section : profile.targets.at(0).sections)
            list.append({section.id, std::uint16_t(section.contents.size()), std::nullopt});
        return list;
    }
    [[nodiscard]] QByteArray ram(int id)
    {
        return simulator->withDevice([id](devsim::SimulatedDevice &device) {
            return device.state().memory.section(0, std::uint8_t(id))->ram;
        });
    }
    [[nodiscard]] QByteArray flash(int id)
    {
        return simulator->withDevice([id](devsim::SimulatedDevice &device) {
            return device.state().memory.section(0, std::uint8_t(id))->flash;
        });
    }
    [[nodiscard]] bool logged(const QString &message) const
    {
        return anyLogged([&](const QString &text) { return text == message; });
    }
    [[nodiscard]] bool loggedStarting(const QString &start) const
    {
        return anyLogged([&](const QString &text) { return text.startsWith(start); });
    }

private:
    template <typename Match> [[nodiscard]] bool anyLogged(Match match) const
    {
        for (int i = 0; i < log.count(); ++i) {
            if (match(log.entry(i).message))
                return true;
        }
        return false;
    }
};

// Runs a sync to its end; NoReply stands for a sync that never completed.
struct SyncOutcome
{
    std::optional<DeviceConnectionError> code;
    int completions = 0;
    QList<float> progress;
};

inline std::shared_ptr<SyncOutcome> runSync(DeviceMemory &memory, Link &link,
                                            QList<SectionMetadata> metadata,
                                            InitialSyncDirection direction)
{
    auto outcome = std::make_shared<SyncOutcome>();
    memory.setSyncConnectionAsync(
        link.connection.get(), std::move(metadata), direction,
        [outcome](float f) { outcome->progress.append(f); },
        [outcome](DeviceConnectionError code) {
            outcome->code = code;
            ++outcome->completions;
        });
    if (!QTest::qWaitFor([&] { return outcome->code.has_value(); }, 4 * kWaitMs))
        outcome->code = DeviceConnectionError::NoReply;
    return outcome;
}

} // namespace memorytest
