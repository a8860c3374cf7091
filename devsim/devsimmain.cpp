// zanprog-devsim: one simulated device on a pseudo-terminal.
#include "app/atomicfile.h"
#include "devsim/devicesimulator.h"
#include "devsim/devicestatefile.h"
#include "devsim/ptyserver.h"
#include "devsim/ptyserveroptions.h"
#include "devsim/quitonsignals.h"
#include "devsim/saxwriter.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitFailed = 1;

void printLine(std::FILE *stream, const QString &text)
{
    std::fputs(qPrintable(text + QLatin1Char('\n')), stream);
    std::fflush(stream);
}

// A firmware file for the profile's device, for demos and scripts that flash it.
int writeSaxFile(const devsim::PtyServerOptions &options)
{
    QString error;
    if (!writeFileAtomically(options.saxFile, devsim::sax::writeFile(options.profile), &error)) {
        printLine(
            stderr,
            QStringLiteral("zanprog-devsim: cannot write %1: %2").arg(options.saxFile, error));
        return kExitFailed;
    }
    return 0;
}

void removeLink(const QString &linkPath)
{
    if (!linkPath.isEmpty() && QFileInfo(linkPath).isSymLink())
        QFile::remove(linkPath);
}

void pointLink(const QString &linkPath, const QString &target)
{
    if (linkPath.isEmpty())
        return;
    removeLink(linkPath);
    if (!QFile::link(target, linkPath))
        printLine(stderr,
                  QStringLiteral("zanprog-devsim: cannot create the link %1").arg(linkPath));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    auto options = devsim::parsePtyServerArguments(arguments);
    if (!options) {
        printLine(stderr, QStringLiteral("zanprog-devsim: %1 (see --help)").arg(options.error()));
        return kExitUsage;
    }
    if (options->help) {
        printLine(stdout, devsim::ptyServerHelpText());
        return 0;
    }
    if (!options->saxFile.isEmpty())
        return writeSaxFile(*options);
    if (!options->stateFile.isEmpty()) {
        if (const auto loaded = devsim::loadDeviceStateFile(options->stateFile, options->profile);
            !loaded) {
            printLine(stderr, QStringLiteral("zanprog-devsim: %1").arg(loaded.error()));
            return kExitUsage;
        }
    }

    auto simulator = std::make_shared<devsim::DeviceSimulator>(options->profile,
                                                               devsim::DeviceSimulator::Power::Off);
    simulator->setWireModel(options->wire);
    for (const devsim::Fault &fault : options->faults)
        simulator->addFault(fault);

    quitOnSignals(app);
    devsim::PtyServer server(simulator);
    const auto path = server.start();
    if (!path) {
        printLine(stderr, QStringLiteral("zanprog-devsim: %1").arg(path.error()));
        return kExitFailed;
    }
    const QString linkPath = options->linkPath;
    pointLink(linkPath, *path);
    printLine(stdout, *path);
    QObject::connect(&server, &devsim::PtyServer::portRemoved, &app, [&] { removeLink(linkPath); });
    QObject::connect(&server, &devsim::PtyServer::portChanged, &app, [&](const QString &newPath) {
        pointLink(linkPath, newPath);
        printLine(stdout, newPath);
    });
    QObject::connect(&server, &devsim::PtyServer::failed, &app, [&](const QString &message) {
        printLine(stderr, QStringLiteral("zanprog-devsim: %1").arg(message));
        app.exit(kExitFailed);
    });

    const int status = app.exec();

    removeLink(linkPath);
    if (!options->stateFile.isEmpty()) {
        const auto saved = simulator->withDevice([&](devsim::SimulatedDevice &device) {
            return devsim::saveDeviceStateFile(options->stateFile, device.state());
        });
        if (!saved) {
            printLine(stderr, QStringLiteral("zanprog-devsim: %1").arg(saved.error()));
            return kExitFailed;
        }
    }
    return status;
}
