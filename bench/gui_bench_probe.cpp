#include "gui_bench.h"

#include <QEvent>
#include <QEventLoop>
#include <QMetaEnum>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace guibench {

namespace {

// A phase with a stall above this breaks the program's promise never to freeze.
constexpr double kStallLimitMs = 50.0;
constexpr int kWaitPollMs = 5;

std::int64_t clockNs(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return std::int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

double toMs(std::int64_t ns)
{
    return double(ns) / 1e6;
}

QString eventTypeName(int type)
{
    const char *name = QMetaEnum::fromType<QEvent::Type>().valueToKey(type);
    return name ? QString::fromLatin1(name) : QString::number(type);
}

QString describe(const DispatchInfo &info)
{
    QString text = QString::fromLatin1(info.className ? info.className : "?");
    if (!info.objectName.isEmpty())
        text += QLatin1Char('#') + info.objectName;
    // A timer tells little by itself; its interval and owner say whose timer it is.
    if (info.timerIntervalMs >= 0)
        text += QStringLiteral("(%1 ms)").arg(info.timerIntervalMs);
    if (info.parentClassName)
        text += QStringLiteral(" of ") + QString::fromLatin1(info.parentClassName);
    text += QLatin1Char(' ') + eventTypeName(info.eventType);
    if (info.nested)
        text += QStringLiteral(" (after a nested loop)");
    return text;
}

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto rank = std::size_t(std::ceil(fraction * double(values.size())));
    return values.at(std::clamp<std::size_t>(rank, 1, values.size()) - 1);
}

} // namespace

std::int64_t monotonicNs()
{
    return clockNs(CLOCK_MONOTONIC);
}

std::int64_t threadCpuNs()
{
    return clockNs(CLOCK_THREAD_CPUTIME_ID);
}

ProbeApplication::ProbeApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{}

bool ProbeApplication::notify(QObject *receiver, QEvent *event)
{
    if (!m_probe || m_depth > 0) {
        ++m_depth;
        const bool result = QApplication::notify(receiver, event);
        --m_depth;
        return result;
    }
    m_outer = DispatchInfo{};
    if (receiver) {
        m_outer.className = receiver->metaObject()->className();
        m_outer.objectName = receiver->objectName();
        if (const auto *timer = qobject_cast<QTimer *>(receiver)) {
            m_outer.timerIntervalMs = timer->interval();
            if (timer->parent())
                m_outer.parentClassName = timer->parent()->metaObject()->className();
        }
    }
    m_outer.eventType = int(event->type());
    m_outerStartNs = monotonicNs();
    m_outerStartCpuNs = threadCpuNs();
    ++m_depth;
    const bool result = QApplication::notify(receiver, event);
    --m_depth;
    m_probe->dispatchFinished(m_outer, monotonicNs() - m_outerStartNs,
                              threadCpuNs() - m_outerStartCpuNs);
    return result;
}

void ProbeApplication::restartOuterStretch()
{
    m_outerStartNs = monotonicNs();
    m_outerStartCpuNs = threadCpuNs();
    m_outer.nested = true;
}

StallProbe::StallProbe(ProbeApplication &application)
    : m_application(application)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(kIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &StallProbe::tick);
    m_latenessMs.reserve(1 << 16);
    m_windowReceivers.reserve(kMaxWindowReceivers);
    m_application.setProbe(this);
    m_timer.start();
}

StallProbe::~StallProbe()
{
    m_application.setProbe(nullptr);
}

void StallProbe::begin(const QString &name)
{
    m_name = name;
    m_latenessMs.clear();
    m_longestNs = 0;
    m_longestCpuNs = 0;
    m_longest.clear();
    m_worstLatenessMs = -1;
    m_worstCpuMs = 0;
    m_worstDispatches = 0;
    m_worstReceiver.clear();
    m_phaseStartNs = monotonicNs();
    resetWindow(m_phaseStartNs);
}

void StallProbe::resetWindow(std::int64_t now)
{
    m_lastTickNs = now;
    m_windowCpuStartNs = threadCpuNs();
    m_windowDispatches = 0;
    m_windowReceivers.clear();
}

PhaseFigures StallProbe::end(bool completed, const QString &note)
{
    const std::int64_t now = monotonicNs();
    // Time since the last tick counts too: a phase may end inside its longest stall.
    tick();
    const std::vector<double> &lateness = m_latenessMs;

    PhaseFigures figures;
    figures.name = m_name;
    figures.durationMs = toMs(now - m_phaseStartNs);
    figures.worstStallMs = *std::max_element(lateness.begin(), lateness.end());
    figures.p99StallMs = percentile(lateness, 0.99);
    figures.samples = int(lateness.size());
    figures.worstStallCpuMs = m_worstCpuMs;
    figures.worstStallDispatches = m_worstDispatches;
    figures.worstStallReceiver = m_worstReceiver;
    figures.longestDispatchMs = toMs(m_longestNs);
    figures.longestDispatchCpuMs = toMs(m_longestCpuNs);
    figures.longestDispatch = m_longest;
    figures.completed = completed;
    figures.note = note;
    return figures;
}

void StallProbe::tick()
{
    const std::int64_t now = monotonicNs();
    const double lateness = std::max(0.0, toMs(now - m_lastTickNs) - kIntervalMs);
    m_latenessMs.push_back(lateness);
    if (lateness > m_worstLatenessMs) {
        m_worstLatenessMs = lateness;
        m_worstCpuMs = toMs(threadCpuNs() - m_windowCpuStartNs);
        m_worstDispatches = m_windowDispatches;
        const auto most = std::max_element(
            m_windowReceivers.begin(), m_windowReceivers.end(),
            [](const ReceiverCount &a, const ReceiverCount &b) { return a.count < b.count; });
        m_worstReceiver = most == m_windowReceivers.end()
                              ? QString()
                              : QStringLiteral("%1 x%2")
                                    .arg(QString::fromLatin1(most->className))
                                    .arg(most->count);
    }
    resetWindow(now);
    // Our own dispatch is depth 1; deeper, a loop runs inside some other dispatch.
    if (m_application.depth() > 1)
        m_application.restartOuterStretch();
}

void StallProbe::dispatchFinished(const DispatchInfo &info, std::int64_t wallNs, std::int64_t cpuNs)
{
    ++m_windowDispatches;
    if (info.className) {
        const auto counted = std::find_if(
            m_windowReceivers.begin(), m_windowReceivers.end(),
            [&](const ReceiverCount &entry) { return entry.className == info.className; });
        if (counted != m_windowReceivers.end())
            ++counted->count;
        else if (m_windowReceivers.size() < kMaxWindowReceivers)
            m_windowReceivers.push_back({info.className, 1});
    }
    if (wallNs > m_longestNs) {
        m_longestNs = wallNs;
        m_longestCpuNs = cpuNs;
        m_longest = m_actionLabel.isEmpty() ? describe(info) : m_actionLabel;
    }
    m_actionLabel.clear();
}

FirstPaintWatch::FirstPaintWatch(QWidget *window, QObject *parent)
    : QObject(parent)
    , m_window(window)
{
    // Application-wide until the first paint: the window paints through its children too.
    qApp->installEventFilter(this);
}

FirstPaintWatch::~FirstPaintWatch()
{
    qApp->removeEventFilter(this);
}

bool FirstPaintWatch::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_window)
        return false;
    if (event->type() == QEvent::Expose && m_exposeNs == 0 && watched == m_window->windowHandle()) {
        m_exposeNs = monotonicNs();
    } else if (event->type() == QEvent::Paint && m_paintNs == 0) {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (widget && widget->window() == m_window) {
            m_paintNs = monotonicNs();
            qApp->removeEventFilter(this);
        }
    }
    return false;
}

bool waitUntil(const std::function<bool()> &condition, int timeoutMs)
{
    if (condition())
        return true;
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(kWaitPollMs);
    bool met = false;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        met = condition();
        if (met || clock.elapsed() >= timeoutMs)
            loop.quit();
    });
    poll.start();
    loop.exec();
    return met;
}

void runEventLoopFor(int ms)
{
    (void)waitUntil([] { return false; }, ms);
}

void postAction(StallProbe &probe, const QString &label, std::function<void()> action)
{
    QTimer::singleShot(0, &probe, [&probe, label, action = std::move(action)] {
        probe.setActionLabel(label);
        action();
    });
}

void printTable(const QList<PhaseFigures> &phases)
{
    std::printf("\n%-38s %9s %9s %7s  %-34s  %s\n", "phase", "duration", "worst", "p99",
                "in the worst stall", "longest dispatch");
    std::printf("%-38s %9s %9s %7s  %-34s  %s\n", "", "ms", "stall ms", "ms",
                "CPU ms, events: most to", "wall/CPU ms: what");
    for (const PhaseFigures &phase : phases) {
        const char *flag = phase.worstStallMs > kStallLimitMs ? "!" : " ";
        const QString inside = QStringLiteral("%1, %2: %3")
                                   .arg(phase.worstStallCpuMs, 0, 'f', 1)
                                   .arg(phase.worstStallDispatches)
                                   .arg(phase.worstStallReceiver);
        std::printf("%-38s %9.1f %8.1f%s %7.2f  %-34s  %.1f/%.1f: %s%s\n", qPrintable(phase.name),
                    phase.durationMs, phase.worstStallMs, flag, phase.p99StallMs,
                    qPrintable(inside), phase.longestDispatchMs, phase.longestDispatchCpuMs,
                    qPrintable(phase.longestDispatch),
                    phase.completed ? "" : "  [DID NOT COMPLETE]");
    }
    std::printf("worst stall: the largest lateness of a %d ms precise timer, p99 over its "
                "timeouts; ! marks a stall over %.0f ms.\nlongest dispatch: one event from the "
                "outermost loop, with the GUI thread's CPU time.\n",
                StallProbe::kIntervalMs, kStallLimitMs);
    for (const PhaseFigures &phase : phases)
        if (!phase.note.isEmpty())
            std::printf("  %s: %s\n", qPrintable(phase.name), qPrintable(phase.note));
}

} // namespace guibench
