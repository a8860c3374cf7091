// The supervisor and the worker of the fault campaign. The worker reports on standard output,
// one line per event: "B RUN" when a run begins, "R ..." for a verdict (tab-separated fields),
// "E" once every run is done. The supervisor reads the lines, stops a worker whose run takes
// longer than the campaign allows, and starts a new worker at the next run after a crash or a
// stop.
#include "fault_campaign_supervisor.h"

#include "fault_campaign_report.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <algorithm>
#include <cstdio>

namespace faultcampaign {

namespace {

constexpr int kWorkerStartMs = 10000;
constexpr int kPollMs = 500;
constexpr int kProgressEveryRuns = 100;
constexpr int kVerdictFields = 8;

const QList<CampaignKind> &allKinds()
{
    static const QList<CampaignKind> kinds{syncCampaign(), savesCampaign(), firmwareCampaign()};
    return kinds;
}

std::optional<CampaignKind> kindNamed(const QString &name)
{
    for (const CampaignKind &kind : allKinds()) {
        if (kind.name == name)
            return kind;
    }
    return std::nullopt;
}

// A detail may hold anything; the line must stay one line of fields.
QString flattened(QString text)
{
    text.replace(QLatin1Char('\t'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1String(" | "));
    return text;
}

void printLine(const QByteArray &line)
{
    std::fwrite(line.constData(), 1, std::size_t(line.size()), stdout);
    std::fflush(stdout);
}

QByteArray verdictLine(const Verdict &verdict)
{
    const QStringList fields{QStringLiteral("R"),
                             QString::number(verdict.run),
                             verdict.row,
                             outcomeName(verdict.outcome),
                             flattened(verdict.plan),
                             flattened(verdict.kinds),
                             QString::number(verdict.wallMs, 'f', 1),
                             flattened(verdict.detail)};
    return fields.join(QLatin1Char('\t')).toUtf8() + '\n';
}

std::optional<Verdict> parseVerdict(const QString &line)
{
    const QStringList fields = line.split(QLatin1Char('\t'));
    if (fields.size() != kVerdictFields)
        return std::nullopt;
    const std::optional<Outcome> outcome = outcomeFromName(fields[3]);
    if (!outcome)
        return std::nullopt;
    return Verdict{fields[1].toInt(),    fields[2], *outcome, fields[4], fields[5],
                   fields[6].toDouble(), fields[7]};
}

QString valueAfter(const QStringList &arguments, const QString &option)
{
    const qsizetype at = arguments.indexOf(option);
    return at >= 0 ? arguments.value(at + 1) : QString();
}

// One campaign's runs across as many workers as it takes.
class CampaignSupervisor
{
public:
    CampaignSupervisor(const CampaignKind &kind, int runs, quint64 seed, CampaignReport &report)
        : m_kind(kind)
        , m_runs(runs)
        , m_seed(seed)
        , m_report(report)
    {}

    void runAll()
    {
        QElapsedTimer clock;
        clock.start();
        int next = 0;
        while (next < m_runs)
            next = runWorkerFrom(next);
        m_report.setWallMs(m_kind.title, double(clock.elapsed()));
    }

private:
    // Returns the run the next worker starts at; m_runs when every run is done.
    int runWorkerFrom(int first)
    {
        QProcess worker;
        worker.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        worker.start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--child"), m_kind.name, QStringLiteral("--seed"),
                      QString::number(m_seed), QStringLiteral("--first"), QString::number(first),
                      QStringLiteral("--count"), QString::number(m_runs)});
        if (!worker.waitForStarted(kWorkerStartMs)) {
            recordLost(first, Outcome::Crash, QStringLiteral("the worker did not start"), 0);
            return first + 1;
        }
        WorkerState state;
        state.next = first;
        while (worker.state() != QProcess::NotRunning) {
            readLines(worker, state);
            if (state.current && state.runClock.elapsed() > m_kind.runLimitMs) {
                worker.kill();
                worker.waitForFinished();
                recordLost(*state.current, Outcome::Hang,
                           QStringLiteral("no verdict within %1 s: the worker was stopped")
                               .arg(m_kind.runLimitMs / 1000),
                           double(state.runClock.elapsed()));
                return *state.current + 1;
            }
            worker.waitForReadyRead(kPollMs);
        }
        readLines(worker, state);
        if (state.ended)
            return m_runs;
        const QString death = worker.exitStatus() == QProcess::CrashExit
                                  ? QStringLiteral("the worker crashed")
                                  : QStringLiteral("the worker exited with status %1 mid-campaign")
                                        .arg(worker.exitCode());
        if (state.current) {
            recordLost(*state.current, Outcome::Crash, death, double(state.runClock.elapsed()));
            return *state.current + 1;
        }
        // Between runs, or before the first: the run it would have begun next pays, so that
        // a worker that cannot even start its campaign still moves the campaign on; after
        // the last run (the late checks), the last run does.
        const int paying = std::min(state.next, m_runs - 1);
        recordLost(paying, Outcome::Crash, death, 0);
        return paying + 1;
    }

    struct WorkerState
    {
        int next = 0;               // the run after the last one reported
        std::optional<int> current; // begun, not yet reported
        QElapsedTimer runClock;
        bool ended = false;
    };

    void readLines(QProcess &worker, WorkerState &state)
    {
        while (worker.canReadLine()) {
            const QString line = QString::fromUtf8(worker.readLine()).chopped(1);
            if (line.startsWith(QLatin1String("B "))) {
                state.current = line.mid(2).toInt();
                state.runClock.start();
            } else if (line == QLatin1String("E")) {
                state.ended = true;
            } else if (const std::optional<Verdict> verdict = parseVerdict(line)) {
                record(*verdict);
                if (state.current && verdict->run == *state.current) {
                    state.next = verdict->run + 1;
                    state.current.reset();
                }
            } else {
                std::fprintf(stderr, "%s: unreadable worker line: %s\n", qPrintable(m_kind.name),
                             qPrintable(line));
            }
        }
    }

    void recordLost(int run, Outcome outcome, const QString &detail, double wallMs)
    {
        record(Verdict{run, m_kind.rowOf(run), outcome, QStringLiteral("?"), QStringLiteral("?"),
                       wallMs, detail});
    }

    void record(const Verdict &verdict)
    {
        if (!verdict.detail.isEmpty())
            std::printf("  %s run %d [%s]: %s: %s\n", qPrintable(verdict.row), verdict.run,
                        qPrintable(verdict.plan), qPrintable(outcomeName(verdict.outcome)),
                        qPrintable(verdict.detail));
        const bool newRun = m_report.record(m_kind.title, verdict);
        if (newRun && ++m_recorded % kProgressEveryRuns == 0)
            std::fprintf(stderr, "%s: %d of %d runs\n", qPrintable(m_kind.title), m_recorded,
                         m_runs);
    }

    const CampaignKind &m_kind;
    const int m_runs;
    const quint64 m_seed;
    CampaignReport &m_report;
    int m_recorded = 0;
};

} // namespace

int superviseCampaigns(const QList<PlannedCampaign> &campaigns, quint64 seed)
{
    CampaignReport report;
    for (const PlannedCampaign &planned : campaigns) {
        report.addCampaign(planned.kind.title, planned.kind.rows, planned.kind.legend);
        if (planned.runs <= 0)
            continue;
        std::printf("%s: %d runs\n", qPrintable(planned.kind.title), planned.runs);
        std::fflush(stdout);
        CampaignSupervisor(planned.kind, planned.runs, seed, report).runAll();
    }
    std::printf("\n");
    report.printBreakdown();
    std::printf("\n");
    report.printTable(seed);
    return report.isClean() ? 0 : 1;
}

int runWorker(const QStringList &arguments)
{
    const std::optional<CampaignKind> kind = kindNamed(arguments.value(0));
    if (!kind) {
        std::fprintf(stderr, "bench-faults: no campaign \"%s\"\n", qPrintable(arguments.value(0)));
        return 2;
    }
    const quint64 seed = valueAfter(arguments, QStringLiteral("--seed")).toULongLong();
    const int first = valueAfter(arguments, QStringLiteral("--first")).toInt();
    const int count = valueAfter(arguments, QStringLiteral("--count")).toInt();

    const std::unique_ptr<Campaign> campaign = kind->make(seed);
    for (int run = first; run < count; ++run) {
        printLine("B " + QByteArray::number(run) + '\n');
        for (const Verdict &verdict : campaign->run(run))
            printLine(verdictLine(verdict));
    }
    for (const Verdict &verdict : campaign->finish())
        printLine(verdictLine(verdict));
    printLine("E\n");
    return 0;
}

} // namespace faultcampaign
