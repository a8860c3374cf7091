// The fault campaign: syncs of the multi-section receiver under random faults of the simulated
// device, library saves killed at random moments, and firmware transfers cut at a random
// record. Each run gets a verdict (success, failure reported, loss, hang, crash); the summary
// table is printed at the end. Figures are printed, never checked: the exit status only says
// whether anything was lost, hung or crashed.
//
// Usage: bench-faults [SYNC_RUNS [SAVE_RUNS [TRANSFER_RUNS]]] [--seed N]
//        (defaults 1000, 1000, 100 and seed 7919; 0 runs skip a campaign)
//
// The same seed repeats the same faults at the same places. The program starts itself again
// for the work: `--child CAMPAIGN ...` runs a campaign's runs (fault_campaign_supervisor.h),
// `--saver FOLDER RUN` is the library campaign's process that gets killed.
#include "fault_campaign.h"
#include "fault_campaign_supervisor.h"

#include <QCoreApplication>

#include <cstdio>

using namespace faultcampaign;

namespace {

constexpr quint64 kDefaultSeed = 7919;
constexpr int kDefaultSyncRuns = 1000;
constexpr int kDefaultSaveRuns = 1000;
constexpr int kDefaultTransferRuns = 100;

struct CommandLine
{
    QList<int> runs{kDefaultSyncRuns, kDefaultSaveRuns, kDefaultTransferRuns};
    quint64 seed = kDefaultSeed;
};

std::optional<CommandLine> parseCommandLine(const QStringList &arguments)
{
    CommandLine parsed;
    int counts = 0;
    for (int i = 0; i < arguments.size(); ++i) {
        bool ok = false;
        if (arguments[i] == QLatin1String("--seed")) {
            parsed.seed = arguments.value(++i).toULongLong(&ok);
        } else if (counts < parsed.runs.size()) {
            parsed.runs[counts++] = arguments[i].toInt(&ok);
            ok = ok && parsed.runs[counts - 1] >= 0;
        }
        if (!ok)
            return std::nullopt;
    }
    return parsed;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    if (arguments.value(0) == QLatin1String("--saver"))
        return runSaver(arguments.mid(1));
    if (arguments.value(0) == QLatin1String("--child"))
        return runWorker(arguments.mid(1));

    const std::optional<CommandLine> commandLine = parseCommandLine(arguments);
    if (!commandLine) {
        std::fprintf(stderr,
                     "usage: bench-faults [SYNC_RUNS [SAVE_RUNS [TRANSFER_RUNS]]] [--seed N]\n");
        return 2;
    }
    std::printf("fault campaign, seed %llu (--seed %llu repeats it)\n\n",
                static_cast<unsigned long long>(commandLine->seed),
                static_cast<unsigned long long>(commandLine->seed));
    return superviseCampaigns({{syncCampaign(), commandLine->runs[0]},
                               {savesCampaign(), commandLine->runs[1]},
                               {firmwareCampaign(), commandLine->runs[2]}},
                              commandLine->seed);
}
