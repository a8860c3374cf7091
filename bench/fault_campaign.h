// The fault campaign: many runs of one operation, each under a fault of its own, and a verdict
// on what the operation left behind. The runs of a campaign happen in a worker process that
// the supervisor (fault_campaign_supervisor.cpp) watches, so that a crash or a deadlock costs
// one run and is counted, instead of ending the campaign.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <random>

namespace faultcampaign {

// What a run came to, from best to worst.
enum class Outcome {
    Success,         ///< The operation reported success and left everything as it should.
    FailureReported, ///< The operation reported its failure and lost nothing.
    Loss,            ///< Data was lost or corrupted, whatever the operation reported.
    Hang,            ///< No completion within the watchdog, or more than one completion.
    Crash,           ///< The process doing the work died.
};

[[nodiscard]] QString outcomeName(Outcome outcome);
[[nodiscard]] std::optional<Outcome> outcomeFromName(const QString &name);

// One run's verdict on one row of the table.
struct Verdict
{
    int run = 0;
    QString row; // the table row, e.g. "syncs, in-process"
    Outcome outcome = Outcome::Success;
    QString plan;  // what was done to the run, e.g. "drop@12"; the breakdown groups by its kinds
    QString kinds; // the plan without positions, e.g. "drop" or "reset+junk"
    double wallMs = 0;
    QString detail; // why the run is not clean; empty for clean runs
};

// The runs of one campaign inside a worker process. Whatever lasts from run to run (the
// simulated device, the link to it) is the campaign's own.
class Campaign
{
public:
    virtual ~Campaign() = default;
    // Runs run `index`. Usually one verdict; a verdict may also name an earlier run that
    // turned out worse later (a second completion arriving late), and replaces its verdict.
    [[nodiscard]] virtual QList<Verdict> run(int index) = 0;
    // After the last run: verdicts on runs whose late misbehaviour shows only now.
    [[nodiscard]] virtual QList<Verdict> finish() { return {}; }
};

// How the supervisor starts, watches and reports one campaign.
struct CampaignKind
{
    QString name;     // on a worker's command line
    QString title;    // in the report
    QStringList rows; // the table rows its verdicts name, in order
    // What "success" and "failed" mean for its rows, for the lines under the table.
    QString legend;
    // The row of a run that ended without a verdict (the worker crashed or hung).
    std::function<QString(int run)> rowOf;
    // The longest one run may take before the supervisor takes the worker for hung.
    int runLimitMs = 0;
    std::function<std::unique_ptr<Campaign>(quint64 seed)> make;
};

[[nodiscard]] CampaignKind syncCampaign();
[[nodiscard]] CampaignKind savesCampaign();
[[nodiscard]] CampaignKind firmwareCampaign();

// The random source of one run: the same seed, campaign and run give the same plan, whichever
// worker runs it, so a run can be repeated on its own.
[[nodiscard]] std::mt19937_64 runRandom(quint64 seed, const QString &campaign, int run);
// A whole number in [low, high].
[[nodiscard]] int uniform(std::mt19937_64 &random, int low, int high);
[[nodiscard]] bool chance(std::mt19937_64 &random, double probability);

// Runs the event loop until `condition` holds; false when `timeoutMs` passed first.
bool waitFor(const std::function<bool()> &condition, int timeoutMs);
// Runs the event loop for `ms`.
void settle(int ms);

// The library campaign's child process: `bench-faults --saver FOLDER RUN`.
[[nodiscard]] int runSaver(const QStringList &arguments);

} // namespace faultcampaign
