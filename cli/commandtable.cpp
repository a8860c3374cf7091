#include "app/log.h"
#include "cli/command.h"
#include "cli/console.h"
#include "cli/interruptwatcher.h"
#include "online/siteconfig.h"
#include "online/zandorexsite.h"

#include <QUrl>

#include <array>

namespace {

const std::array<Command, 14> kCommands = {{
    {"layout", "FILE [--aligned] | --builtin [NAME]",
     "list the fields of a settings-layout text or a built-in schema with their offsets",
     runLayoutCommand},
    {"catalog", "SERIAL", "name the product that a device serial number belongs to",
     runCatalogCommand},
    {"info", "FILE.zrm [--settings]",
     "show a model file: its class, device variant, CRCs, sections and settings", runInfoCommand},
    {"diff", "A.zrm B.zrm",
     "list the settings in which two model files differ (exit 0 equal, 1 different)",
     runDiffCommand},
    {"set", "FILE.zrm PATH VALUE",
     "change one setting of a model file, named by its path as info --settings prints it",
     runSetCommand},
    // Device commands.
    {"ports", "", "list the cables and ports a device could be reached through", runPortsCommand},
    {"identify", "", "identify the device and print what it reports", runIdentifyCommand},
    {"flash", "FILE.sax [--target N]",
     "update the firmware of the device (or of device N behind it) from a SAX file",
     runFlashCommand},
    {"backup", "-o FILE.zrm", "read the device's settings into a new model file", runBackupCommand},
    {"restore", "FILE.zrm",
     "write a model file's settings to the device and check its CRCs afterwards",
     runRestoreCommand},
    // The account and update service.
    {"login", "USER",
     "log in to the service (password from the terminal or one line of standard input); "
     "the desktop program shares the log-in",
     runLoginCommand},
    {"logout", "", "forget the log-in", runLogoutCommand},
    {"updates", "[--json]",
     "list the software updates the service offers for the device, the proposed one marked",
     runUpdatesCommand},
    {"update", "[--version V]",
     "download the proposed software update (or version V) and install it on the device",
     runUpdateCommand},
}};

QString usageText()
{
    QString text = QStringLiteral(
        "Usage: zanprog [--port PATH [--port-mode app|bootloader|announced]] [--ftdi SERIAL]\n"
        "               [--wait-ms N] [--json] [--verbose]\n"
        "               [--service-url URL] [--service-ca FILE] COMMAND ...\n\n"
        "The account and update service, replaced by a test service on this machine:\n"
        "  --service-url URL   send the requests to URL, which must be on the loopback "
        "interface\n"
        "  --service-ca FILE   trust the certificates of the PEM file FILE as well\n\n"
        "Commands:\n");
    for (const Command &command : kCommands)
        text += QStringLiteral("  %1 %2\n      %3\n")
                    .arg(QLatin1String(command.name), QLatin1String(command.usage),
                         QLatin1String(command.summary));
    text += QStringLiteral("\nExit status: 0 success, 1 the operation failed, 2 usage error, "
                           "3 no device found.");
    return text;
}

// The service client writes a trace of its requests and answers; here it belongs in the
// --verbose log, never among the results on standard output.
void routeServiceTrace()
{
    ZandorexSite::setTraceSink(
        [](const QString &line) { log(QStringLiteral("ZandorexSite"), line); });
}

std::expected<void, QString> applyServiceOptions(const GlobalOptions &options)
{
    routeServiceTrace();
    if (!options.serviceUrl.isEmpty()) {
        if (auto set = siteconfig::setServiceUrlOverride(QUrl(options.serviceUrl)); !set)
            return set;
    }
    if (!options.serviceCaFile.isEmpty())
        return siteconfig::addTrustedCertificatesFile(options.serviceCaFile);
    return {};
}

} // namespace

std::span<const Command> commandTable()
{
    return kCommands;
}

const Command *findCommand(const QString &name)
{
    for (const Command &command : kCommands)
        if (name == QLatin1String(command.name))
            return &command;
    return nullptr;
}

ExitCode runCommandLine(const QStringList &arguments, QIODevice &out, QIODevice &err)
{
    Console console(out, err, false);
    const auto line = parseCommandLine(arguments);
    if (!line) {
        console.printError(QStringLiteral("zanprog: %1").arg(line.error()));
        console.printError(usageText());
        return ExitCode::Usage;
    }
    if (line->help && line->command.isEmpty()) {
        console.printLine(usageText());
        return ExitCode::Success;
    }
    const Command *command = findCommand(line->command);
    if (!command) {
        console.printError(QStringLiteral("zanprog: unknown command %1").arg(line->command));
        console.printError(usageText());
        return ExitCode::Usage;
    }
    if (const auto applied = applyServiceOptions(line->options); !applied) {
        console.printError(QStringLiteral("zanprog: %1").arg(applied.error()));
        return ExitCode::Usage;
    }
    Console commandConsole(out, err, line->options.json);
    CommandContext context{line->options, line->arguments, commandConsole, err};
    const InterruptExit interruptExit;
    return command->run(context);
}
