// The desktop program's responsiveness: drives the real program (start-up, the device watch,
// the simulated device behind the simulated cable, the sync dialog, the library, the log
// viewer, a firmware transfer) and prints, per operation, how long the GUI thread kept its
// event loop from turning. Before that it starts the program in fresh processes to time its
// first paint, with an empty library and with a long-time user's. Figures are printed, never
// checked.
//
// Usage: bench-gui [--runs N] [--models N] [--firmware-kib N] [--no-startup] [--no-phases]
// Runs offscreen unless QT_QPA_PLATFORM says otherwise.
#include "gui_bench.h"

#include "app/shell/demodevice.h"
#include "devsim/profiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <optional>

using namespace guibench;

namespace {

constexpr int kDefaultStartupRuns = 5;
constexpr int kDefaultModelCount = 10'000;
constexpr int kDefaultFirmwareKiB = 64;

const QString kDemoProfile = DemoDevice::kDefaultProfile;

struct Options
{
    int startupRuns = kDefaultStartupRuns;
    int modelCount = kDefaultModelCount;
    int firmwareKiB = kDefaultFirmwareKiB;
    bool startup = true;
    bool phases = true;
};

std::optional<Options> parseOptions(const QStringList &arguments)
{
    Options options;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        const auto number = [&](int &target) {
            bool ok = false;
            if (i + 1 < arguments.size())
                target = arguments.at(++i).toInt(&ok);
            return ok && target > 0;
        };
        if (argument == QLatin1String("--runs")) {
            if (!number(options.startupRuns))
                return std::nullopt;
        } else if (argument == QLatin1String("--models")) {
            if (!number(options.modelCount))
                return std::nullopt;
        } else if (argument == QLatin1String("--firmware-kib")) {
            if (!number(options.firmwareKiB))
                return std::nullopt;
        } else if (argument == QLatin1String("--no-startup")) {
            options.startup = false;
        } else if (argument == QLatin1String("--no-phases")) {
            options.phases = false;
        } else {
            return std::nullopt;
        }
    }
    return options;
}

QtMessageHandler previousMessageHandler = nullptr;

// The offscreen platform says so for every window it cannot resize or raise, which would bury
// the figures.
void messageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.startsWith(QLatin1String("This plugin does not support")))
        return;
    previousMessageHandler(type, context, message);
}

// Qt warns on every start without one; CI machines often have none.
void ensureRuntimeDirectory(const QString &root)
{
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        return;
    const QString folder = root + QStringLiteral("/runtime");
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder));
}

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    return QString::fromLatin1(file.readLine()).section(QLatin1Char(' '), 0, 2);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    previousMessageHandler = qInstallMessageHandler(messageHandler);
    if (argc >= 3 && qstrcmp(argv[1], kStartupChildOption) == 0)
        return runStartupChild(argc, argv, QString::fromLocal8Bit(argv[2]));

    QTemporaryDir temporary;
    if (!temporary.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    const QString root = temporary.path();
    // The user's own settings stay out of it; the children get folders of their own.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root + QStringLiteral("/config")));
    ensureRuntimeDirectory(root);

    ProbeApplication application(argc, argv);
    const std::optional<Options> options = parseOptions(QApplication::arguments());
    if (!options) {
        std::fprintf(stderr, "usage: bench-gui [--runs N] [--models N] [--firmware-kib N] "
                             "[--no-startup] [--no-phases]\n");
        return 2;
    }
    std::printf("bench-gui: %d cores, load average %s, platform %s\n", QThread::idealThreadCount(),
                qPrintable(loadAverage()), qPrintable(QGuiApplication::platformName()));

    const std::optional<devsim::DeviceProfile> profile =
        devsim::profiles::profileByName(kDemoProfile);
    const QString largeLibrary = root + QStringLiteral("/large");
    if (!profile ||
        !prepareLargeLibrary(largeLibrary + QStringLiteral("/Models"), options->modelCount,
                             profile->productCode, profile->parameterVersion))
        return 1;
    const QString largeLabel = QStringLiteral("%1 models").arg(options->modelCount);

    if (options->startup)
        runStartupMeasurements(
            {{QStringLiteral("empty library"), root + QStringLiteral("/startup-empty"),
              root + QStringLiteral("/config-startup-empty")},
             {largeLabel, largeLibrary, root + QStringLiteral("/config-startup-large")}},
            options->startupRuns);

    if (options->phases) {
        std::printf("\nphases, demo device \"%s\" behind the simulated cable:\n",
                    qPrintable(kDemoProfile));
        StallProbe probe(application);
        printTable(runPhases(probe, {kDemoProfile, options->modelCount, options->firmwareKiB},
                             root + QStringLiteral("/phases-empty"), largeLibrary));
    }
    return 0;
}
