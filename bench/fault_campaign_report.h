// What the fault campaign found: the verdicts by campaign, row and run, printed as a
// breakdown by fault kind and as the summary table.
#pragma once

#include "fault_campaign.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

namespace faultcampaign {

class CampaignReport
{
public:
    void addCampaign(const QString &title, const QStringList &rows, const QString &legend);
    // A later verdict on the same row and run replaces the earlier one. Returns whether the
    // run is new to the campaign.
    bool record(const QString &campaign, const Verdict &verdict);
    // The campaign's whole time, worker start-ups included.
    void setWallMs(const QString &campaign, double wallMs);

    // Per row, the outcomes of each kind of fault.
    void printBreakdown() const;
    void printTable(quint64 seed) const;
    // No loss, hang or crash anywhere.
    [[nodiscard]] bool isClean() const;

private:
    struct Row
    {
        QString name;
        QMap<int, Verdict> byRun;
    };
    struct CampaignRows
    {
        QString title;
        QList<Row> rows;
        QString legend;
        double wallMs = 0;
    };

    CampaignRows *campaign(const QString &title);
    const CampaignRows *campaign(const QString &title) const;

    QList<CampaignRows> m_campaigns;
};

} // namespace faultcampaign
