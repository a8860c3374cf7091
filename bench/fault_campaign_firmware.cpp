// The firmware campaign: a firmware file from devsim's writer sent to the newer 3-axis
// receiver through the connection's firmware transfer, as the command line's flash command
// sends it (bootloader, sendSaxFile with the identified product and serial number, GO), and
// cut at a random record: the device vanishes, the reply is dropped, the device restarts
// half-way through the reply, or the bootloader answers the record with an error.
//
// Two verdicts per run. The cut transfer must report its failure once and, after a power cut,
// leave the device as far as its records got: before the erase record the old application
// still runs, after the finish record the new one, and in between the device stays in its
// bootloader with no valid application (failed = all of that; loss = anything else). Then the
// whole file again, from the first record: it must succeed, and the device must then run the
// application version that file carries (success; failed = a step reported an error).
#include "device/saxfile.h"
#include "devsim/firmwarerecords.h"
#include "devsim/profiles.h"
#include "devsim/saxwriter.h"
#include "fault_campaign.h"
#include "fault_campaign_link.h"

#include <QElapsedTimer>

namespace faultcampaign {

namespace {

const QString kCampaignName = QStringLiteral("firmware");
const QString kCutRow = QStringLiteral("firmware cut at a record");
const QString kRedoRow = QStringLiteral("firmware sent again");

constexpr int kImageBytes = 32 * 1024; // 64 write records, 68 records in all
constexpr int kFirmwareMajor = 9;
constexpr int kVersionsPerCycle = 100;
constexpr int kLogTailLines = 25;
constexpr int kRunLimitMs = 300000;
// A device left in its bootloader must still be there after the manager had its say.
constexpr int kStayCheckMs = 300;

enum class Cut { Disconnect, DroppedReply, Reset, BootloaderError };

struct CutPlan
{
    Cut cut = Cut::Disconnect;
    int atRecord = 1;
    int records = 0;

    [[nodiscard]] QString kind() const
    {
        switch (cut) {
        case Cut::Disconnect:
            return QStringLiteral("disconnect");
        case Cut::DroppedReply:
            return QStringLiteral("dropped reply");
        case Cut::Reset:
            return QStringLiteral("reset");
        case Cut::BootloaderError:
            return QStringLiteral("bootloader error");
        }
        return {};
    }
    [[nodiscard]] QString text() const
    {
        return QStringLiteral("%1 at record %2 of %3").arg(kind()).arg(atRecord).arg(records);
    }
    // Records the device executed: an error answer stands in for its record.
    [[nodiscard]] int executed() const
    {
        return cut == Cut::BootloaderError ? atRecord - 1 : atRecord;
    }
};

struct Application
{
    bool valid = false;
    int major = 0;
    int minor = 0;

    // Without a valid application the version it would report does not matter.
    bool operator==(const Application &other) const
    {
        return valid == other.valid && (!valid || (major == other.major && minor == other.minor));
    }
    [[nodiscard]] QString text() const
    {
        return valid ? QStringLiteral("application %1.%2").arg(major).arg(minor)
                     : QStringLiteral("no valid application");
    }
};

// Where the erase and finish records sit in a file (1-based).
struct RecordPlaces
{
    int count = 0;
    int erase = 0;
    int finish = 0;
};

RecordPlaces recordPlaces(const QByteArray &file, const devsim::DeviceProfile &profile)
{
    RecordPlaces places;
    const Expected<saxfile::Header> header = saxfile::checkHeader(
        file, std::uint16_t(profile.productCode), QString::fromLatin1(profile.serialNumber));
    if (!header)
        return places;
    for (int offset = header->recordsOffset; offset + saxfile::kRecordBytes <= file.size();
         offset += saxfile::kRecordBytes) {
        ++places.count;
        const auto command = std::uint8_t(file.at(offset));
        if (places.erase == 0 &&
            (command == devsim::fwrecord::kErase || command == devsim::fwrecord::kEraseRange))
            places.erase = places.count;
        if (command == devsim::fwrecord::kFinish)
            places.finish = places.count;
    }
    return places;
}

// A file of version 9.`minor` whose image differs with the version, so that an image left
// half-written by an earlier file can never pass for this one.
QByteArray firmwareFile(const devsim::DeviceProfile &profile, int minor)
{
    devsim::sax::Options options;
    options.appVersionMajor = kFirmwareMajor;
    options.appVersionMinor = minor;
    options.image = QByteArray(kImageBytes, '\0');
    for (int i = 0; i < kImageBytes; ++i)
        options.image[i] = char((i * 13 + minor * 7 + (i >> 9)) & 0xFF);
    return devsim::sax::writeFile(profile, options);
}

class FirmwareCampaign final : public Campaign
{
public:
    explicit FirmwareCampaign(quint64 seed)
        : m_seed(seed)
        , m_profile(devsim::profiles::trivorReceiver(devsim::profiles::Generation::Newer))
        , m_link(m_profile, DeviceLink::Path::InProcess)
    {}

    QList<Verdict> run(int index) override
    {
        DeviceLink::clearLog();
        std::mt19937_64 random = runRandom(m_seed, kCampaignName, index);
        Verdict cut{index, kCutRow, Outcome::FailureReported, {}, {}, 0, {}};
        Verdict redo{index, kRedoRow, Outcome::Success, {}, {}, 0, {}};
        QElapsedTimer clock;
        clock.start();

        const int cycle = index % kVersionsPerCycle;
        const QByteArray cutFile = firmwareFile(m_profile, 2 * cycle + 1);
        const QByteArray redoFile = firmwareFile(m_profile, 2 * cycle + 2);
        const RecordPlaces places = recordPlaces(cutFile, m_profile);
        CutPlan plan{Cut(uniform(random, 0, 3)), uniform(random, 1, places.count), places.count};
        cut.plan = plan.text();
        cut.kinds = plan.kind();
        redo.plan = redo.kinds = QStringLiteral("after ") + plan.kind();

        if (!intoBootloader()) {
            cut.outcome = redo.outcome = Outcome::Hang;
            cut.detail = redo.detail =
                QStringLiteral("the device could not be brought into its bootloader\n") +
                DeviceLink::logTail(kLogTailLines);
            return {cut, redo};
        }
        const Application before = application();
        runCut(cut, plan, cutFile, places, before, 2 * cycle + 1);
        cut.wallMs = double(clock.restart());
        runRedo(redo, redoFile, 2 * cycle + 2);
        redo.wallMs = double(clock.elapsed());
        return {cut, redo};
    }

private:
    // The simulated device's own view of its application.
    Application application()
    {
        return m_link.simulator().withDevice([](devsim::SimulatedDevice &device) {
            const devsim::DeviceProfile &p = device.state().profile;
            return Application{p.applicationValid, p.appVersionMajor, p.appVersionMinor};
        });
    }

    int transferWatchdogMs() const
    {
        // One erase record may take its long timeout, every other one the short one.
        return saxfile::kSaxEraseTimeoutMs + 2 * m_link.timeoutSumMs() + 10000;
    }

    bool intoBootloader()
    {
        if (!m_link.makeReady())
            return false;
        if (m_link.connection().mode() == DeviceMode::Bootloader)
            return true;
        const auto switched = m_link.runToEnd(
            [this](DeviceConnection::Done done) {
                m_link.connection().switchToMode(DeviceMode::Bootloader, done);
            },
            transferWatchdogMs());
        // Not identified afresh: a bootloader that meets a device anew with a valid application
        // sends it on into the application, as the program does when a device is attached.
        return switched == DeviceConnectionError::NoError && m_link.reconnect() &&
               m_link.connection().mode() == DeviceMode::Bootloader;
    }

    void arm(const CutPlan &plan)
    {
        devsim::DeviceSimulator &simulator = m_link.simulator();
        switch (plan.cut) {
        case Cut::Disconnect:
            simulator.addFault({devsim::FaultKind::Disconnect, plan.atRecord, -1});
            break;
        case Cut::DroppedReply:
            simulator.addFault({devsim::FaultKind::Drop, plan.atRecord, -1});
            break;
        case Cut::Reset:
            simulator.addFault({devsim::FaultKind::Reset, plan.atRecord, -1});
            break;
        case Cut::BootloaderError:
            simulator.withDevice([&](devsim::SimulatedDevice &device) {
                device.state().armFirmwareFailure(
                    {plan.atRecord, DeviceConnectionError::WriteError});
            });
            break;
        }
    }

    void disarm()
    {
        m_link.simulator().clearFaults();
        m_link.simulator().withDevice([](devsim::SimulatedDevice &device) {
            device.state().profile.firmwareFailure.reset();
        });
    }

    // The transfer, as the flash command sends it; its completions.
    std::shared_ptr<Completions> send(const QByteArray &file)
    {
        auto completions = std::make_shared<Completions>();
        const DeviceManager &manager = m_link.manager();
        m_link.connection().sendSaxFile(0, file, std::uint16_t(manager.productCode()),
                                        manager.serialNumber(), {}, countInto(completions));
        waitFor([&] { return completions->count > 0; }, transferWatchdogMs());
        return completions;
    }

    void runCut(Verdict &verdict, const CutPlan &plan, const QByteArray &file,
                const RecordPlaces &places, const Application &before, int minor)
    {
        arm(plan);
        const std::shared_ptr<Completions> completions = send(file);
        disarm();
        if (completions->count != 1) {
            verdict.outcome = Outcome::Hang;
            verdict.detail = completions->count == 0
                                 ? QStringLiteral("the cut transfer did not complete")
                                 : QStringLiteral("completed %1 times").arg(completions->count);
            return;
        }
        // The power cut: a device that vanished comes back powered up afresh.
        if (plan.cut != Cut::Disconnect)
            m_link.powerCycle();
        const bool back = m_link.makeReady();
        settle(kStayCheckMs);

        Application expected = before;
        if (plan.executed() >= places.finish)
            expected = {true, kFirmwareMajor, minor};
        else if (plan.executed() >= places.erase)
            expected = {};
        const DeviceMode expectedMode = expected.valid ? DeviceMode::FSK : DeviceMode::Bootloader;
        const Application now = application();
        QStringList wrong;
        if (completions->firstCode == DeviceConnectionError::NoError)
            wrong.append(QStringLiteral("the cut transfer reported success"));
        if (!back)
            wrong.append(QStringLiteral("the device did not come back after the power cut"));
        if (now != expected)
            wrong.append(
                QStringLiteral("the device holds %1, not %2").arg(now.text(), expected.text()));
        if (m_link.connection().mode() != expectedMode)
            wrong.append(
                QStringLiteral("the link is in %1 after the power cut, not %2")
                    .arg(deviceModeName(m_link.connection().mode()), deviceModeName(expectedMode)));
        if (!expected.valid && m_link.manager().appState() == DeviceManager::kApplicationValid)
            wrong.append(QStringLiteral("the manager takes the application for valid"));
        if (!wrong.isEmpty()) {
            verdict.outcome = Outcome::Loss;
            verdict.detail = wrong.join(QStringLiteral("; ")) + QLatin1Char('\n') +
                             DeviceLink::logTail(kLogTailLines);
        }
    }

    void runRedo(Verdict &verdict, const QByteArray &file, int minor)
    {
        const auto fail = [&](Outcome outcome, const QString &why) {
            verdict.outcome = outcome;
            verdict.detail = why + QLatin1Char('\n') + DeviceLink::logTail(kLogTailLines);
        };
        if (!intoBootloader())
            return fail(Outcome::Hang, QStringLiteral("the device could not be brought into its "
                                                      "bootloader"));
        const std::shared_ptr<Completions> sent = send(file);
        if (sent->count != 1)
            return fail(Outcome::Hang,
                        QStringLiteral("the transfer completed %1 times").arg(sent->count));
        if (sent->firstCode != DeviceConnectionError::NoError)
            return fail(Outcome::FailureReported,
                        QStringLiteral("the transfer failed: %1")
                            .arg(DeviceConnection::errorString(sent->firstCode)));
        const auto started =
            m_link.runToEnd([this](DeviceConnection::Done done) { m_link.connection().go(done); },
                            transferWatchdogMs());
        if (!started)
            return fail(Outcome::Hang, QStringLiteral("GO did not complete"));
        if (*started != DeviceConnectionError::NoError)
            return fail(
                Outcome::FailureReported,
                QStringLiteral("GO failed: %1").arg(DeviceConnection::errorString(*started)));
        const bool identified = m_link.makeReady();
        const DeviceManager &manager = m_link.manager();
        if (!identified || m_link.connection().mode() != DeviceMode::FSK ||
            manager.appVersionMajor() != kFirmwareMajor || manager.appVersionMinor() != minor)
            return fail(Outcome::Loss,
                        QStringLiteral("after a transfer reported whole the device "
                                       "runs %1 in %2, not application %3.%4")
                            .arg(application().text(), deviceModeName(m_link.connection().mode()))
                            .arg(kFirmwareMajor)
                            .arg(minor));
    }

    const quint64 m_seed;
    const devsim::DeviceProfile m_profile;
    DeviceLink m_link;
};

} // namespace

CampaignKind firmwareCampaign()
{
    CampaignKind kind;
    kind.name = kCampaignName;
    kind.title = QStringLiteral("firmware transfers");
    kind.rows = QStringList{kCutRow, kRedoRow};
    kind.legend = QStringLiteral(
        "cut: failed = the cut transfer reported its failure and the device kept what its "
        "records got to (in its bootloader between erase and finish); sent again: success = "
        "the whole file went through and the device runs its version");
    kind.rowOf = [](int) { return kCutRow; };
    kind.runLimitMs = kRunLimitMs;
    kind.make = [](quint64 seed) { return std::make_unique<FirmwareCampaign>(seed); };
    return kind;
}

} // namespace faultcampaign
