#include "cli/command.h"
#include "cli/console.h"
#include "cli/devicesession.h"
#include "device/saxfile.h"

#include <QFile>
#include <QJsonObject>

namespace {

// The largest firmware file we read into memory: far above any application area.
constexpr qint64 kMaxSaxFileBytes = 16 * 1024 * 1024;
// Devices behind the base one are numbered in three bits.
constexpr int kMaxTarget = 7;

struct FlashArguments
{
    QString path;
    int target = 0;
};

std::optional<FlashArguments> parseArguments(const QStringList &arguments)
{
    FlashArguments parsed;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String("--target")) {
            if (i + 1 >= arguments.size())
                return std::nullopt;
            bool ok = false;
            parsed.target = arguments.at(++i).toInt(&ok);
            if (!ok || parsed.target < 0 || parsed.target > kMaxTarget)
                return std::nullopt;
        } else if (parsed.path.isEmpty() && !argument.startsWith(QLatin1Char('-'))) {
            parsed.path = argument;
        } else {
            return std::nullopt;
        }
    }
    if (parsed.path.isEmpty())
        return std::nullopt;
    return parsed;
}

// Faults of the file itself show before any device is waited for; whether the file suits the
// device is for the transfer to find out.
std::optional<DeviceConnectionError> fileFault(const QByteArray &file)
{
    const Expected<saxfile::Header> header = saxfile::checkHeader(file, 0, {});
    if (header)
        return std::nullopt;
    switch (header.error()) {
    case DeviceConnectionError::SaxWrongProduct:
    case DeviceConnectionError::SaxWrongDevice:
        return std::nullopt;
    default:
        return header.error();
    }
}

} // namespace

ExitCode runFlashCommand(CommandContext &context)
{
    Console &console = context.console;
    const std::optional<FlashArguments> arguments = parseArguments(context.arguments);
    if (!arguments) {
        console.printError(QStringLiteral("usage: zanprog flash FILE.sax [--target N] (N 0 to %1)")
                               .arg(kMaxTarget));
        return ExitCode::Usage;
    }
    QFile input(arguments->path);
    if (!input.open(QIODevice::ReadOnly)) {
        console.printError(QStringLiteral("zanprog: cannot read %1: %2")
                               .arg(arguments->path, input.errorString()));
        return ExitCode::Usage;
    }
    if (input.size() > kMaxSaxFileBytes) {
        console.printError(DeviceConnection::errorString(DeviceConnectionError::NotSaxFile));
        return ExitCode::Failed;
    }
    const QByteArray file = input.readAll();
    if (const auto fault = fileFault(file)) {
        console.printError(DeviceConnection::errorString(*fault));
        return ExitCode::Failed;
    }

    DeviceSession session(context.options, console, context.err);
    if (const ExitCode opened = session.open(); opened != ExitCode::Success)
        return opened;
    if (const ExitCode switched = session.switchTo(DeviceMode::Bootloader);
        switched != ExitCode::Success)
        return switched;

    DeviceManager &manager = session.manager();
    ConnectedDevice device = manager.baseDevice();
    if (arguments->target > 0) {
        const QList<ConnectedDevice> behind = manager.connectedDevices();
        if (arguments->target > behind.size())
            return session.fail(QStringLiteral("zanprog: the device has no device %1 behind it")
                                    .arg(arguments->target));
        device = behind.at(arguments->target - 1);
    }

    DeviceConnection &connection = session.connection();
    const DeviceConnectionError sent = session.runWithProgress(
        QStringLiteral("Sending firmware"),
        [&](DeviceConnection::Progress progress, DeviceConnection::Done done) {
            connection.sendSaxFile(std::uint8_t(arguments->target), file,
                                   std::uint16_t(device.productCode), device.serialNumber,
                                   std::move(progress), std::move(done));
        });
    if (sent != DeviceConnectionError::NoError)
        return session.fail(sent);

    // Back into the application, which proves the new firmware starts. The link may leave it
    // again at once (a device no model class serves is sent back to its bootloader), so the
    // moment it gets there is latched rather than looked for.
    bool started = false;
    // The watch ends with this function.
    const QObject watchScope;
    QObject::connect(&connection, &DeviceConnection::modeSelected, &watchScope,
                     [&] { started = started || connection.mode() == DeviceMode::FSK; });
    const DeviceConnectionError restarted =
        session.run([&](DeviceConnection::Done done) { connection.go(std::move(done)); });
    if (restarted != DeviceConnectionError::NoError)
        return session.fail(restarted);
    const DeviceSession::Wait wait =
        session.waitUntil([&] { return started; }, connection.timings().modeSwitchTimeoutMs);
    if (wait != DeviceSession::Wait::Done)
        return session.fail(DeviceConnectionError::NoReply);

    if (console.json())
        console.printJson(QJsonObject{{QStringLiteral("file"), arguments->path},
                                      {QStringLiteral("target"), arguments->target},
                                      {QStringLiteral("bytes"), int(file.size())},
                                      {QStringLiteral("mode"), deviceModeName(DeviceMode::FSK)}});
    else
        console.printLine(QStringLiteral("Firmware of device %1 updated from %2.")
                              .arg(arguments->target)
                              .arg(arguments->path));
    return ExitCode::Success;
}
