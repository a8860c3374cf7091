// The sync campaign: model syncs of the newer 3-axis receiver (13 sections) in both
// directions, each under a random fault plan of the simulated device, through the real
// DeviceConnection and DeviceMemory, started as the program starts them: from the device
// manager's identification, with its section table and CRCs.
//
// Each run first changes some sections on one side (the device's flash for a read, the model
// for a write), so that the sync has something to move, and arms one fault (sometimes two) at
// a random reply among those the sync will take; a few land past the last one and leave a
// clean run. The verdict:
// - success: the sync reported success, and the device's flash (after the commit) holds the
//   model's bytes; a write left the model as it was;
// - failed: the sync reported an error and the model holds every byte it had before, or, for
//   a read, exactly the device's settings (kept when every section arrived and only the commit
//   failed);
// - loss: anything else; hang: no completion within the watchdog, or more than one completion
//   (a late second one is caught at the next runs and at the end).
#include "devicestate/devicememory.h"
#include "devsim/profiles.h"
#include "fault_campaign.h"
#include "fault_campaign_link.h"
#include "fault_campaign_syncplan.h"

#include <QElapsedTimer>

#include <algorithm>
#include <vector>

namespace faultcampaign {

namespace {

const QString kCampaignName = QStringLiteral("sync");
const QString kInProcessRow = QStringLiteral("syncs, in-process");
const QString kCableRow = QStringLiteral("syncs, cable 115200 baud");

// One run in this many goes through the simulated cable: a full sync takes seconds there and
// a dropped reply the connection's whole 3 s, so the in-process stream carries the bulk.
constexpr int kCableEvery = 20;
constexpr double kSecondFaultChance = 0.2;
constexpr double kChangeSectionChance = 0.4;
// What the sync itself may take on top of its faults: in-process well under a second, on the
// cable about 2 s for all 13 sections.
constexpr int kInProcessWorkMs = 10000;
constexpr int kCableWorkMs = 20000;
// A second completion of a run is looked for this many runs later, and once more at the end
// after the longest a late reply can take.
constexpr int kWatchedRuns = 5;
constexpr int kLateMarginMs = 1000;
constexpr int kLogTailLines = 25;
constexpr int kRunLimitMs = 300000;

bool viaCable(int run)
{
    return run % kCableEvery == kCableEvery - 1;
}

QString rowOf(int run)
{
    return viaCable(run) ? kCableRow : kInProcessRow;
}

// The model synced over one path, and that path's link.
struct Rig
{
    std::unique_ptr<DeviceLink> link;
    std::unique_ptr<DeviceMemory> memory;
};

class SyncCampaign final : public Campaign
{
public:
    explicit SyncCampaign(quint64 seed)
        : m_seed(seed)
        , m_profile(devsim::profiles::trivorReceiver(devsim::profiles::Generation::Newer))
    {}

    QList<Verdict> run(int index) override
    {
        QElapsedTimer clock;
        clock.start();
        QList<Verdict> verdicts = lateCompletions(false);
        DeviceLink::clearLog();
        std::mt19937_64 random = runRandom(m_seed, kCampaignName, index);
        Rig &rig = rigFor(index);
        Verdict verdict = runSync(rig, index, random);
        verdict.wallMs = double(clock.elapsed());
        verdicts.append(verdict);
        return verdicts;
    }

    QList<Verdict> finish() override
    {
        // The longest a late reply can take: a delay of twice the acknowledgement timeout.
        int lateMs = 0;
        for (const std::optional<Rig> *rig : {&m_inProcess, &m_cable}) {
            if (*rig)
                lateMs = std::max(lateMs, 2 * (*rig)->link->timings().ackTimeoutMs);
        }
        settle(lateMs + kLateMarginMs);
        return lateCompletions(true);
    }

private:
    struct Watched
    {
        Verdict verdict;
        std::shared_ptr<Completions> completions;
    };

    Rig &rigFor(int run)
    {
        std::optional<Rig> &rig = viaCable(run) ? m_cable : m_inProcess;
        if (!rig) {
            rig.emplace();
            rig->link = std::make_unique<DeviceLink>(
                m_profile, viaCable(run) ? DeviceLink::Path::Cable : DeviceLink::Path::InProcess);
            rig->memory = freshModel();
        }
        return *rig;
    }

    // A model whose every byte differs from the device's at power-up.
    std::unique_ptr<DeviceMemory> freshModel() const
    {
        QList<TargetSection> sections;
        const std::vector<devsim::ProfileTarget> targets = devsim::effectiveTargets(m_profile);
        for (const auto &section : targets.at(0).sections) {
            QByteArray inverted = section.contents;
            for (char &byte : inverted)
                byte = char(~byte);
            sections.append(modelSection(section.id, inverted));
        }
        return std::make_unique<DeviceMemory>(sections, FlashTarget::ParameterMemory);
    }

    // The device as after a power cycle (RAM from flash), then some sections of one side
    // changed to random bytes.
    void changeSections(Rig &rig, InitialSyncDirection direction, std::mt19937_64 &random)
    {
        rig.link->simulator().withDevice(
            [](devsim::SimulatedDevice &device) { device.state().memory.loadFromFlash(); });
        const int count = rig.memory->sectionCount();
        QList<int> changed;
        for (int id = 0; id < count; ++id) {
            if (chance(random, kChangeSectionChance))
                changed.append(id);
        }
        if (changed.isEmpty())
            changed.append(uniform(random, 0, count - 1));
        for (const int id : changed) {
            const QByteArray bytes = randomBytes(random, int(rig.memory->modelData(id).size()));
            if (direction == InitialSyncDirection::ComputerToDevice)
                rig.memory->setModelData(id, bytes);
            else
                rig.link->simulator().withDevice([&](devsim::SimulatedDevice &device) {
                    device.state().memory.write(devsim::kParameterTarget, std::uint8_t(id), 0,
                                                bytes);
                });
        }
        rig.link->simulator().withDevice(
            [](devsim::SimulatedDevice &device) { device.state().memory.saveToFlash(); });
    }

    int watchdogMs(Rig &rig) const
    {
        const int work =
            rig.link->path() == DeviceLink::Path::Cable ? kCableWorkMs : kInProcessWorkMs;
        return work + 2 * rig.link->timeoutSumMs();
    }

    Verdict runSync(Rig &rig, int index, std::mt19937_64 &random)
    {
        Verdict verdict{index, rowOf(index), Outcome::Success, {}, {}, 0, {}};
        DeviceLink &link = *rig.link;
        FaultPlan plan;
        plan.direction = chance(random, 0.5) ? InitialSyncDirection::ComputerToDevice
                                             : InitialSyncDirection::DeviceToComputer;
        changeSections(rig, plan.direction, random);
        if (!link.makeReady()) {
            verdict.outcome = Outcome::Hang;
            verdict.plan = verdict.kinds = QStringLiteral("before the sync");
            verdict.detail = QStringLiteral("the device did not come back to be identified\n") +
                             DeviceLink::logTail(kLogTailLines);
            return verdict;
        }
        const Image modelBefore = modelImage(*rig.memory);
        const Image deviceBefore = deviceFlash(link.simulator());
        plan.expectedReplies = expectedReplies(modelBefore, deviceBefore, plan.direction);
        plan.faults.push_back(randomFault(random, plan.expectedReplies, link.timings()));
        if (chance(random, kSecondFaultChance))
            plan.faults.push_back(randomFault(random, plan.expectedReplies, link.timings()));
        for (const devsim::Fault &fault : plan.faults)
            link.simulator().addFault(fault);

        const int repliesBefore = link.simulator().repliesSent();
        auto completions = std::make_shared<Completions>();
        rig.memory->setSyncConnectionAsync(&link.connection(), link.manager().targetSections(),
                                           plan.direction, {}, countInto(completions));
        const bool completed = waitFor([&] { return completions->count > 0; }, watchdogMs(rig));
        link.simulator().clearFaults();
        verdict.plan = plan.text();
        verdict.kinds = plan.kindsHit(link.simulator().repliesSent() - repliesBefore);

        judge(verdict, rig, plan.direction, *completions, modelBefore, deviceBefore);
        if (!completed) {
            verdict.detail =
                QStringLiteral("no completion within %1 s").arg(watchdogMs(rig) / 1000);
            // A sync that never ended keeps its memory busy: later syncs would be refused.
            rig.memory = freshModel();
        }
        if (verdict.outcome != Outcome::Success && verdict.outcome != Outcome::FailureReported)
            verdict.detail += QLatin1Char('\n') + DeviceLink::logTail(kLogTailLines);
        m_watched.append({verdict, completions});
        return verdict;
    }

    static void judge(Verdict &verdict, Rig &rig, InitialSyncDirection direction,
                      const Completions &completions, const Image &modelBefore,
                      const Image &deviceBefore)
    {
        if (completions.count != 1) {
            verdict.outcome = Outcome::Hang;
            if (completions.count > 1)
                verdict.detail = QStringLiteral("completed %1 times").arg(completions.count);
            return;
        }
        const Image model = modelImage(*rig.memory);
        const Image flash = deviceFlash(rig.link->simulator());
        const bool toDevice = direction == InitialSyncDirection::ComputerToDevice;
        QString wrong;
        if (completions.firstCode == DeviceConnectionError::NoError) {
            verdict.outcome = Outcome::Success;
            wrong = firstDifference(flash, model, QStringLiteral("device flash against model"));
            if (wrong.isEmpty() && toDevice)
                wrong = firstDifference(model, modelBefore, QStringLiteral("model changed"));
        } else {
            verdict.outcome = Outcome::FailureReported;
            wrong = firstDifference(model, modelBefore, QStringLiteral("model changed"));
            // A read whose sections all arrived keeps them when only the commit failed.
            if (!wrong.isEmpty() && !toDevice && firstDifference(model, deviceBefore, {}).isEmpty())
                wrong.clear();
        }
        if (!wrong.isEmpty()) {
            verdict.detail = QStringLiteral("reported %1; %2")
                                 .arg(DeviceConnection::errorString(completions.firstCode), wrong);
            verdict.outcome = Outcome::Loss;
        }
    }

    // The watched runs whose completion count grew past one since their verdict. The last
    // few runs stay watched; at the end (`last`) the watch is over.
    QList<Verdict> lateCompletions(bool last)
    {
        QList<Verdict> late;
        for (Watched &watched : m_watched) {
            if (watched.completions->count > 1 && watched.verdict.outcome != Outcome::Hang) {
                watched.verdict.outcome = Outcome::Hang;
                watched.verdict.detail = QStringLiteral("completed %1 times, the later ones "
                                                        "after its verdict")
                                             .arg(watched.completions->count);
                late.append(watched.verdict);
            }
        }
        if (last)
            m_watched.clear();
        while (m_watched.size() > kWatchedRuns)
            m_watched.removeFirst();
        return late;
    }

    const quint64 m_seed;
    const devsim::DeviceProfile m_profile;
    std::optional<Rig> m_inProcess;
    std::optional<Rig> m_cable;
    QList<Watched> m_watched;
};

} // namespace

CampaignKind syncCampaign()
{
    CampaignKind kind;
    kind.name = kCampaignName;
    kind.title = QStringLiteral("syncs");
    kind.rows = QStringList{kInProcessRow, kCableRow};
    kind.legend = QStringLiteral(
        "success = sync reported success and the device's flash holds the model; failed = sync "
        "reported an error and the model kept every byte (or, for a read whose sections all "
        "arrived, took the device's)");
    kind.rowOf = rowOf;
    kind.runLimitMs = kRunLimitMs;
    kind.make = [](quint64 seed) { return std::make_unique<SyncCampaign>(seed); };
    return kind;
}

} // namespace faultcampaign
