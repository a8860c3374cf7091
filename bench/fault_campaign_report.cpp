#include "fault_campaign_report.h"

#include <array>
#include <cstdio>

namespace faultcampaign {

namespace {

constexpr int kNameWidth = 38;
constexpr int kKindWidth = 22;
constexpr std::array kAllOutcomes{Outcome::Success, Outcome::FailureReported, Outcome::Loss,
                                  Outcome::Hang, Outcome::Crash};

using Counts = std::array<int, kAllOutcomes.size()>;

Counts countOutcomes(const QList<Verdict> &verdicts)
{
    Counts counts{};
    for (const Verdict &verdict : verdicts)
        ++counts[std::size_t(verdict.outcome)];
    return counts;
}

double wallSeconds(const QList<Verdict> &verdicts)
{
    double ms = 0;
    for (const Verdict &verdict : verdicts)
        ms += verdict.wallMs;
    return ms / 1000.0;
}

} // namespace

void CampaignReport::addCampaign(const QString &title, const QStringList &rows,
                                 const QString &legend)
{
    CampaignRows added{title, {}, legend, 0};
    for (const QString &row : rows)
        added.rows.append(Row{row, {}});
    m_campaigns.append(added);
}

CampaignReport::CampaignRows *CampaignReport::campaign(const QString &title)
{
    for (CampaignRows &rows : m_campaigns) {
        if (rows.title == title)
            return &rows;
    }
    return nullptr;
}

const CampaignReport::CampaignRows *CampaignReport::campaign(const QString &title) const
{
    return const_cast<CampaignReport *>(this)->campaign(title);
}

bool CampaignReport::record(const QString &title, const Verdict &verdict)
{
    CampaignRows *rows = campaign(title);
    if (!rows)
        return false;
    bool seen = false;
    Row *target = nullptr;
    for (Row &row : rows->rows) {
        seen = seen || row.byRun.contains(verdict.run);
        if (row.name == verdict.row)
            target = &row;
    }
    // A row the campaign did not announce still shows, rather than vanish from the table.
    if (!target) {
        rows->rows.append(Row{verdict.row, {}});
        target = &rows->rows.last();
    }
    target->byRun.insert(verdict.run, verdict);
    return !seen;
}

void CampaignReport::setWallMs(const QString &title, double wallMs)
{
    if (CampaignRows *rows = campaign(title))
        rows->wallMs = wallMs;
}

void CampaignReport::printBreakdown() const
{
    std::printf("by fault: runs  success/failed/loss/hang/crash\n");
    for (const CampaignRows &rows : m_campaigns) {
        for (const Row &row : rows.rows) {
            if (row.byRun.isEmpty())
                continue;
            std::printf("%s\n", qPrintable(row.name));
            QMap<QString, QList<Verdict>> byKinds;
            for (const Verdict &verdict : row.byRun)
                byKinds[verdict.kinds].append(verdict);
            for (auto it = byKinds.cbegin(); it != byKinds.cend(); ++it) {
                const Counts counts = countOutcomes(it.value());
                std::printf("  %-*s %5lld  %d/%d/%d/%d/%d\n", kKindWidth, qPrintable(it.key()),
                            static_cast<long long>(it.value().size()), counts[0], counts[1],
                            counts[2], counts[3], counts[4]);
            }
        }
    }
}

void CampaignReport::printTable(quint64 seed) const
{
    std::printf("fault campaign, seed %llu\n", static_cast<unsigned long long>(seed));
    std::printf("%-*s %6s %8s %8s %7s %6s %8s %9s\n", kNameWidth, "campaign", "runs", "success",
                "failed", "losses", "hangs", "crashes", "wall_s");
    for (const CampaignRows &rows : m_campaigns) {
        for (const Row &row : rows.rows) {
            const QList<Verdict> verdicts = row.byRun.values();
            const Counts counts = countOutcomes(verdicts);
            std::printf("%-*s %6lld %8d %8d %7d %6d %8d %9.1f\n", kNameWidth, qPrintable(row.name),
                        static_cast<long long>(verdicts.size()), counts[0], counts[1], counts[2],
                        counts[3], counts[4], wallSeconds(verdicts));
        }
        std::printf("%-*s %58.1f\n", kNameWidth,
                    qPrintable(QStringLiteral("  %1, whole campaign").arg(rows.title)),
                    rows.wallMs / 1000.0);
    }
    std::printf("\nlosses: data lost or corrupted; hangs: no completion within the watchdog, "
                "or more than one;\ncrashes: the process doing the work died\n");
    for (const CampaignRows &rows : m_campaigns)
        std::printf("%s: %s\n", qPrintable(rows.title), qPrintable(rows.legend));
}

bool CampaignReport::isClean() const
{
    for (const CampaignRows &rows : m_campaigns) {
        for (const Row &row : rows.rows) {
            for (const Verdict &verdict : row.byRun) {
                if (verdict.outcome != Outcome::Success &&
                    verdict.outcome != Outcome::FailureReported)
                    return false;
            }
        }
    }
    return true;
}

} // namespace faultcampaign
