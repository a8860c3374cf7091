// The supervisor of the fault campaign: runs each campaign's runs in worker processes (this
// program again, with --child), restarts a worker that crashed or hung at the next run, and
// prints the summary table.
#pragma once

#include "fault_campaign.h"

#include <QList>
#include <QStringList>

namespace faultcampaign {

struct PlannedCampaign
{
    CampaignKind kind;
    int runs = 0;
};

// Runs the campaigns one after another and prints what they found; 0 when every run was a
// success or a reported failure.
[[nodiscard]] int superviseCampaigns(const QList<PlannedCampaign> &campaigns, quint64 seed);

// The worker's side: `--child NAME --seed N --first RUN --count RUNS`. Reports each run on
// standard output as the supervisor reads it.
[[nodiscard]] int runWorker(const QStringList &arguments);

} // namespace faultcampaign
