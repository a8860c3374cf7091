#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <vector>

class QWidget;

namespace guibench {

// CLOCK_MONOTONIC, the clock QElapsedTimer uses on Linux; a parent and its children share it,
// so a child's timestamps can be set against the moment the parent started it.
[[nodiscard]] std::int64_t monotonicNs();
[[nodiscard]] std::int64_t threadCpuNs();

struct PhaseFigures
{
    QString name;
    double durationMs = 0;
    // Lateness of the probe timer: how long the event loop did not turn.
    double worstStallMs = 0;
    double p99StallMs = 0;
    int samples = 0;
    // Inside the worst stall: the GUI thread's CPU time (far below the stall: it waited, or was
    // not scheduled), the outermost dispatches it ran and the class most of them went to (many
    // short ones: a flood of posted events).
    double worstStallCpuMs = 0;
    int worstStallDispatches = 0;
    QString worstStallReceiver;
    // The longest single dispatch of an event from the outermost loop, and what it was; a
    // nested event loop that keeps the probe ticking ends the stretch it runs in.
    double longestDispatchMs = 0;
    double longestDispatchCpuMs = 0;
    QString longestDispatch;
    bool completed = true;
    QString note;
};

class StallProbe;

// What an outermost dispatch delivered, taken before it runs (the receiver may be gone after).
struct DispatchInfo
{
    const char *className = nullptr;
    const char *parentClassName = nullptr;
    QString objectName;
    int timerIntervalMs = -1;
    int eventType = 0;
    // The probe ticked inside it: a nested loop ran, and the time is that after its last tick.
    bool nested = false;
};

// Times every dispatch from the outermost event loop for the probe. Overriding notify costs
// four clock reads per outermost event, which is well below what is measured.
class ProbeApplication : public QApplication
{
public:
    ProbeApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

    void setProbe(StallProbe *probe) { m_probe = probe; }
    [[nodiscard]] int depth() const { return m_depth; }
    // The outermost dispatch under way is known to let the loop turn (a nested loop): its
    // stretch starts again now.
    void restartOuterStretch();

private:
    StallProbe *m_probe = nullptr;
    int m_depth = 0;
    std::int64_t m_outerStartNs = 0;
    std::int64_t m_outerStartCpuNs = 0;
    DispatchInfo m_outer;
};

// A 2 ms precise timer whose lateness says how long the GUI thread was away from its event
// loop, plus the longest dispatches that ProbeApplication reports.
class StallProbe : public QObject
{
public:
    static constexpr int kIntervalMs = 2;

    explicit StallProbe(ProbeApplication &application);
    ~StallProbe() override;

    void begin(const QString &name);
    [[nodiscard]] PhaseFigures end(bool completed, const QString &note = {});

    // The bench's own calls into the program run as posted actions, so that they are
    // timed as the dispatch they are; the label names them in the report.
    void setActionLabel(const QString &label) { m_actionLabel = label; }
    void dispatchFinished(const DispatchInfo &info, std::int64_t wallNs, std::int64_t cpuNs);
    [[nodiscard]] const QTimer &timer() const { return m_timer; }

private:
    void tick();
    void resetWindow(std::int64_t now);

    ProbeApplication &m_application;
    QTimer m_timer;
    QString m_name;
    std::int64_t m_phaseStartNs = 0;
    std::int64_t m_lastTickNs = 0;
    std::vector<double> m_latenessMs;
    // What ran since the last tick.
    struct ReceiverCount
    {
        const char *className;
        int count;
    };
    static constexpr std::size_t kMaxWindowReceivers = 16;
    std::int64_t m_windowCpuStartNs = 0;
    int m_windowDispatches = 0;
    std::vector<ReceiverCount> m_windowReceivers;
    double m_worstLatenessMs = -1;
    double m_worstCpuMs = 0;
    int m_worstDispatches = 0;
    QString m_worstReceiver;
    std::int64_t m_longestNs = 0;
    std::int64_t m_longestCpuNs = 0;
    QString m_longest;
    QString m_actionLabel;
};

// Notes the first paint of a top-level widget (or of anything inside it) and the first
// expose of its native window.
class FirstPaintWatch : public QObject
{
public:
    explicit FirstPaintWatch(QWidget *window, QObject *parent = nullptr);
    ~FirstPaintWatch() override;

    [[nodiscard]] bool painted() const { return m_paintNs != 0; }
    [[nodiscard]] std::int64_t paintNs() const { return m_paintNs; }
    [[nodiscard]] std::int64_t exposeNs() const { return m_exposeNs; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> m_window;
    std::int64_t m_paintNs = 0;
    std::int64_t m_exposeNs = 0;
};

// Runs the event loop until `condition` holds or `timeoutMs` has passed; false on timeout.
bool waitUntil(const std::function<bool()> &condition, int timeoutMs);
void runEventLoopFor(int ms);
// Posts `action` to the event loop; the probe attributes its dispatch to `label`.
void postAction(StallProbe &probe, const QString &label, std::function<void()> action);

void printTable(const QList<PhaseFigures> &phases);

// ---- The operations ----------------------------------------------------------------------

struct PhaseOptions
{
    QString demoProfile;
    int modelCount = 0;
    int firmwareKiB = 0;
};

// Runs the program on an empty library (start-up, identification, sync, an edit, the log
// viewer, a firmware transfer), then on the large one (start-up, identification, sync, an
// edit), one program at a time.
[[nodiscard]] QList<PhaseFigures> runPhases(StallProbe &probe, const PhaseOptions &options,
                                            const QString &emptyDataDirectory,
                                            const QString &largeDataDirectory);

// ---- The model library of a long-time user ------------------------------------------------

// Writes `count` models of the demo device's kind into `folder` (reused when it already holds
// them) and builds its manifest; prints what that took.
bool prepareLargeLibrary(const QString &folder, int count, int productCode, int parameterVersion);

// ---- Start-up in a fresh process ----------------------------------------------------------

// The child: starts the program as main() does and prints its timestamps on one line.
int runStartupChild(int argc, char **argv, const QString &dataDirectory);
// The parent: starts `runs` children against each data directory and prints min and median.
struct StartupCase
{
    QString label;
    QString dataDirectory;
    QString configDirectory;
};
void runStartupMeasurements(const QList<StartupCase> &cases, int runs);

inline constexpr const char *kStartupChildOption = "--startup-child";

} // namespace guibench
