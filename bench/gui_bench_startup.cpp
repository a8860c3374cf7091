// Start-up in a fresh process: the bench starts itself as a child that does what main() of the
// desktop program does, and reads the child's timestamps back.
#include "app/ui/mainwindow.h"
#include "app/ui/program.h"
#include "gui_bench.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace guibench {

namespace {

constexpr int kChildTimeoutMs = 30'000;
constexpr int kPaintTimeoutMs = 20'000;
const QString kChildLinePrefix = QStringLiteral("ZXSTARTUP");

struct StartupRun
{
    double spawnToPaintMs = 0;
    double mainToPaintMs = 0;
    double mainToExposeMs = 0;
    double applicationMs = 0; // QApplication construction
    double programStartMs = 0;
};

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

double minimum(const QList<double> &values)
{
    return values.isEmpty() ? 0 : *std::min_element(values.begin(), values.end());
}

double ms(std::int64_t ns)
{
    return double(ns) / 1e6;
}

// A first start with no cable would put the "plug the cable in first" box up; our user has
// opened a cable before.
void seedSettings(const QString &configDirectory)
{
    QSettings settings(configDirectory + QStringLiteral("/Solvane Hobby/Zandorex Programmer.ini"),
                       QSettings::IniFormat);
    settings.setValue(QStringLiteral("cableOpenedOnce"), true);
}

std::optional<StartupRun> runChild(const StartupCase &startupCase)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), startupCase.configDirectory);
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const std::int64_t spawnNs = monotonicNs();
    child.start(QCoreApplication::applicationFilePath(),
                {QString::fromLatin1(kStartupChildOption), startupCase.dataDirectory});
    if (!child.waitForFinished(kChildTimeoutMs)) {
        child.kill();
        child.waitForFinished();
        std::fprintf(stderr, "start-up child did not finish\n");
        return std::nullopt;
    }
    const QStringList lines = QString::fromLatin1(child.readAllStandardOutput()).split('\n');
    for (const QString &line : lines) {
        if (!line.startsWith(kChildLinePrefix))
            continue;
        const QStringList fields = line.split(' ', Qt::SkipEmptyParts);
        if (fields.size() != 6)
            break;
        const std::int64_t mainNs = fields.at(1).toLongLong();
        const std::int64_t applicationNs = fields.at(2).toLongLong();
        const std::int64_t startedNs = fields.at(3).toLongLong();
        const std::int64_t exposeNs = fields.at(4).toLongLong();
        const std::int64_t paintNs = fields.at(5).toLongLong();
        StartupRun run;
        run.spawnToPaintMs = ms(paintNs - spawnNs);
        run.mainToPaintMs = ms(paintNs - mainNs);
        run.mainToExposeMs = exposeNs ? ms(exposeNs - mainNs) : 0;
        run.applicationMs = ms(applicationNs - mainNs);
        run.programStartMs = ms(startedNs - applicationNs);
        return run;
    }
    std::fprintf(stderr, "start-up child (exit %d) reported no paint\n", child.exitCode());
    return std::nullopt;
}

} // namespace

int runStartupChild(int argc, char **argv, const QString &dataDirectory)
{
    const std::int64_t mainNs = monotonicNs();
    QApplication application(argc, argv);
    const std::int64_t applicationNs = monotonicNs();

    Program::Setup setup;
    setup.environment.dataDirectory = dataDirectory;
    setup.terminate = [](int) {};
    auto program = Program::start(std::move(setup));
    const std::int64_t startedNs = monotonicNs();
    if (!program) {
        std::fprintf(stderr, "start-up child: %s\n", qPrintable(program.error()));
        return 1;
    }
    FirstPaintWatch watch(&(*program)->mainWindow());
    if (!waitUntil([&] { return watch.painted(); }, kPaintTimeoutMs))
        return 1;
    std::printf("%s %lld %lld %lld %lld %lld\n", qPrintable(kChildLinePrefix), qlonglong(mainNs),
                qlonglong(applicationNs), qlonglong(startedNs), qlonglong(watch.exposeNs()),
                qlonglong(watch.paintNs()));
    std::fflush(stdout);
    // The measurement is over; tearing the program down would only lengthen the bench.
    std::_Exit(0);
}

void runStartupMeasurements(const QList<StartupCase> &cases, int runs)
{
    std::printf("\nstart-up in a fresh process, %d runs each (%d cores, warm file cache)\n", runs,
                QThread::idealThreadCount());
    std::printf("%-28s %12s %12s %12s %12s %12s\n", "library", "spawn->paint", "main->paint",
                "main->expose", "QApplication", "Program::start");
    std::printf("%-28s %12s %12s %12s %12s %12s\n", "", "min/med ms", "min/med ms", "med ms",
                "med ms", "med ms");
    for (const StartupCase &startupCase : cases) {
        QDir().mkpath(startupCase.configDirectory);
        seedSettings(startupCase.configDirectory);
        QList<double> spawn, mainPaint, expose, application, start;
        for (int run = 0; run < runs; ++run) {
            const std::optional<StartupRun> result = runChild(startupCase);
            if (!result)
                continue;
            spawn << result->spawnToPaintMs;
            mainPaint << result->mainToPaintMs;
            expose << result->mainToExposeMs;
            application << result->applicationMs;
            start << result->programStartMs;
        }
        if (spawn.isEmpty()) {
            std::printf("%-28s (no run completed)\n", qPrintable(startupCase.label));
            continue;
        }
        std::printf("%-28s %5.0f/%-6.0f %5.0f/%-6.0f %12.0f %12.1f %12.0f\n",
                    qPrintable(startupCase.label), minimum(spawn), median(spawn),
                    minimum(mainPaint), median(mainPaint), median(expose), median(application),
                    median(start));
    }
}

} // namespace guibench
